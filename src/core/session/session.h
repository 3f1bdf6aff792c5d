// One terminal session: the screen buffer, the interpreter, the keyboard, the
// link and the login script of a session window, tied together. The window
// (Qt, or a test) paints the screen through its ScreenPainter, shows what the
// session reports through SessionView, and feeds keys, pastes and resizes in.
//
// Data paths:
//   received block -> Received() -> Interpreter::Process -> screen (+ replies)
//   keys / paste / script / replies -> SendData() -> link (echoed when asked)
//   negotiation replies -> SendRaw() -> link
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "config/terminal_options.h"
#include "keys/keyboard.h"
#include "keys/keymap.h"
#include "print/attached_print.h"
#include "script/script.h"
#include "session/capture.h"
#include "session/scrollback.h"
#include "session/selection.h"
#include "session/session_link.h"
#include "term/interpreter.h"
#include "term/painter.h"
#include "term/screen.h"
#include "term/session_hooks.h"

namespace parlane {

class EventLoop;

// What a session needs its window to do. Every call comes on the window's
// thread, from inside a link notification or a call into the session.
class SessionView {
 public:
  virtual ~SessionView() = default;

  // Output is about to be drawn (hide the caret) and has been drawn (put the
  // caret at the cursor and show it). Nested pairs may occur (local echo of
  // a reply); only the outermost pair matters.
  virtual void BeginOutput() = 0;
  virtual void EndOutput() = 0;
  // A block arrived from the link, before it is interpreted.
  virtual void BlockReceived(std::span<const uint8_t> /*bytes*/) {}
  // Received data clears the mouse selection.
  virtual void ClearSelection() = 0;
  virtual void Bell() = 0;
  // The connection came up: give the "Connect" sound, start the clock.
  virtual void Connected() = 0;
  // A failure that ends the session before it was connected: show `text`
  // (stop icon when `stop`, else exclamation) with the frame's title as
  // caption; the window closes itself afterwards (RequestClose follows).
  virtual void ShowFailure(std::string_view text, bool stop) = 0;
  // The peer closed the connection: ask `question` (Yes/No, question icon).
  virtual bool AskCloseWindow(std::string_view question) = 0;
  // The connection ended (once per session); `closeWindow` asks the window to
  // close itself soon (never from inside this call).
  virtual void ConnectionEnded(bool closeWindow) = 0;
  // The "rd" and "sd" indicators while the link reads or sends.
  virtual void LinkActivity(bool receive, bool on) = 0;
  // The host asked for a Zmodem download.
  virtual void DownloadRequested() {}
  // The host asks for a download or an attached print job: false refuses it
  // (a host-mode window asks the user first).
  virtual bool AllowHostRequest(HostRequest) { return true; }
  // The frame's title, read and changed by a running login script.
  virtual std::string FrameTitle() const = 0;
  virtual void SetFrameTitle(std::string_view title) = 0;

  // Attached printing. A new job asks for the printer; nullptr when there is
  // none (the job's bytes are then dropped until the host ends the job).
  virtual std::unique_ptr<PrinterPage> OpenAttachedPrinter() { return nullptr; }
  // A job began (show the "Spooling data to Printer..." dialog with its
  // Cancel) or its objects went (close it).
  virtual void AttachedPrintingChanged(bool /*active*/) {}
  // Timer 3: start it (kAttachedJobEndMs, one shot) or stop it. When it
  // fires the window calls Session::AttachedPrintTimer().
  virtual void SetPrintTimer(bool /*running*/) {}
};

struct SessionSetup {
  ScreenGeometry geometry;  // the configured rows R and columns C
  TerminalOptions options;  // the session's own copy
  WindowColors colors;      // the window class's text and background colours
  KeypadMode keypad = KeypadMode::Numeric;
  std::string userName;     // Ctrl+F1
  std::string password;     // Ctrl+F2
  std::string loginScript;  // started when connected; empty for none
  bool telnet = false;      // byte 255 starts a Telnet command
};

class Session final : private SessionHooks, private ScriptHost {
 public:
  Session(const SessionSetup& setup, const KeyTable& keys, ScreenPainter& painter,
          SessionView& view);
  ~Session() override;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Gives the session its link. Must be called before Start().
  void AttachLink(std::unique_ptr<SessionLink> link);
  // A Telnet client link to `host` and `port` on `loop`. With `askOnClose`
  // off a closed connection closes the window without asking.
  void AttachTelnet(EventLoop& loop, const std::string& host, int port, bool askOnClose);
  // A host-mode link on a client socket accepted by the server (the session
  // takes the descriptor over); `peerAddress` is the client's numeric address.
  // The connection counts as up once started; the window closes itself
  // without asking when the client leaves.
  void AttachHostClient(EventLoop& loop, int acceptedFd, const std::string& peerAddress);
  // Starts the link (the window calls this once it is set up and shown).
  void Start();

  // ---- scripts (Script Run and Stop, the login and host scripts) ----
  // Starts `file` unless a script runs already. OpenFailed: nothing runs;
  // Ended: the file held no WAIT, everything was sent and the script is gone.
  ScriptStatus RunScript(const std::string& file);
  // Stops the running script; its frame title comes back.
  void StopScript() { script_.reset(); }

  // ---- capture ----
  // Every block interpreted from now on is appended to `file`. When a write
  // fails, capture ends (the file is closed) and `failed` is called once.
  void StartCapture(std::unique_ptr<CaptureFile> file, std::function<void()> failed);
  void StopCapture();
  bool Capturing() const { return capture_ != nullptr; }

  // ---- raw transmission ----
  // The raw send for Transmit File: the bytes unchanged, never echoed.
  void SendRawBytes(std::span<const uint8_t> bytes) { SendRaw(bytes); }
  // Bytes the link has taken but not yet sent.
  size_t PendingOutput() const { return link_ ? link_->PendingOutput() : 0; }

  // ---- what the link reports ----
  // A received block: clears the selection, hides the caret, interprets.
  void Received(std::span<const uint8_t> bytes);
  // A local text (status texts, local echo) shown like received text but
  // without clearing the selection.
  void Show(std::span<const uint8_t> bytes);
  void LinkConnected();
  // A link that is up from the start (the dial-up line): the login script
  // starts now, without the connect report.
  void LinkReady() { StartLoginScript(); }
  void LinkFailed(std::string_view text, bool stop);
  bool LinkAskClose(std::string_view question) { return view_.AskCloseWindow(question); }
  void LinkClosed(bool closeWindow);
  void LinkActivity(bool receive, bool on) { view_.LinkActivity(receive, on); }

  // ---- sending ----
  // The data send: typed keys, pasted text, script output, replies.
  void SendData(std::span<const uint8_t> bytes) override;
  void SendText(std::string_view text);

  // ---- keys (the window's keyboard handlers) ----
  // Key down: first returns the view from the scroll-back (see Scrollback),
  // then lets the keyboard send the key's text. True when the key was sent
  // and its character must be swallowed.
  bool KeyDown(VirtualKey vk, KeyModifiers mods);
  // The scroll-back part of a key press alone: true when the view went back
  // to the position kept when the user began to scroll (the window then also
  // returns to column 0). The kept position is forgotten either way.
  bool ReturnViewOnKey();
  void Char(uint8_t ch, KeyModifiers mods);
  bool SysKeyDown(VirtualKey vk, KeyModifiers mods);
  // Paste: every byte goes through Char() as if typed, each line end (CR LF,
  // LF or CR) as one CR (CR LF with the outbound CR-LF option). A paste
  // that starts while one runs does nothing. `between` runs after each
  // character (the window lets waiting events run there); it may return
  // false to stop the paste (the window is closing).
  void Paste(std::string_view bytes, const std::function<bool()>& between = {});
  bool PasteRunning() const { return pasting_; }

  // ---- window changes ----
  // The client area now holds `height` whole rows: H is recomputed, the
  // cursor kept visible, and the window size reported when NAWS is in force.
  // Returns true when the screen top moved to keep the cursor visible.
  bool Resize(int height);
  // The Terminal Settings command: new options for this session.
  void SetOptions(const TerminalOptions& options);
  void SetKeypadMode(KeypadMode mode);
  // The window's colours changed (Background/Text Color, or at set-up).
  void SetColors(const WindowColors& colors) { screen_.SetWindowColors(colors); }

  // ---- state ----
  TerminalScreen& Screen() { return screen_; }
  const TerminalScreen& Screen() const { return screen_; }
  Interpreter& Interp() { return interpreter_; }
  Keyboard& Keys() { return keyboard_; }
  Selection& Select() { return selection_; }
  const Selection& Select() const { return selection_; }
  Scrollback& Scroll() { return scrollback_; }
  const TerminalOptions& Options() const { return options_; }
  KeypadMode Keypad() const { return keypad_; }
  SessionLink* Link() const { return link_.get(); }
  bool IsConnected() const { return link_ && link_->IsConnected(); }
  long long ElapsedSeconds() const { return link_ ? link_->ElapsedSeconds() : 0; }
  // The connect-time clock's text, "%02d:%02d:%02d" (hours, minutes, seconds).
  std::string ElapsedText() const;
  bool ScriptIsRunning() const { return script_ != nullptr; }

  // ---- attached printing ----
  // Timer 3 fired: the job's document is finished and its objects go.
  void AttachedPrintTimer();
  // Cancel answered Yes: normal display at once, the job is thrown away.
  void CancelAttachedPrinting();
  // A job is printing or waiting for its end timer.
  bool AttachedPrinting() const { return printOut_ != nullptr; }

 private:
  // SessionHooks (the interpreter's side effects).
  void SendRaw(std::span<const uint8_t> bytes) override;
  void Bell() override { view_.Bell(); }
  void RequestDownload() override { view_.DownloadRequested(); }
  void StartAttachedPrinting() override;
  bool PrintByte(uint8_t byte) override;
  bool ScriptRunning() override { return script_ != nullptr; }
  ScriptVerdict OfferToScript(uint8_t byte) override;
  void CaptureWrite(std::span<const uint8_t> bytes) override;
  bool AllowHostRequest(HostRequest request) override { return view_.AllowHostRequest(request); }

  // ScriptHost (the login script's sends and title).
  void SendData(std::string_view bytes) override { SendText(bytes); }
  std::string FrameTitle() const override { return view_.FrameTitle(); }
  void SetFrameTitle(std::string_view title) override { view_.SetFrameTitle(title); }

  void StartLoginScript();
  void Interpret(std::span<const uint8_t> bytes);

  TerminalOptions options_;
  const KeyTable& keys_;
  SessionView& view_;
  TerminalScreen screen_;
  Interpreter interpreter_;
  Keyboard keyboard_;
  Selection selection_;
  Scrollback scrollback_;
  KeypadMode keypad_;
  std::string loginScript_;
  std::unique_ptr<SessionLink> link_;
  std::unique_ptr<Script> script_;
  std::unique_ptr<CaptureFile> capture_;
  std::function<void()> captureFailed_;
  std::unique_ptr<AttachedPrintOut> printOut_;
  int outputDepth_ = 0;
  bool pasting_ = false;
  bool scriptEnded_ = false;
};

}  // namespace parlane

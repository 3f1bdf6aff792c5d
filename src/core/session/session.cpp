#include "session/session.h"

#include "link/telnet_connection.h"
#include "session/telnet_link.h"

namespace parlane {

namespace {

std::span<const uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// A line feed in pasted text is skipped: the CR before it is the line end.
constexpr uint8_t kLineFeed = 10;
constexpr uint8_t kCarriageReturn = 13;

}  // namespace

Session::Session(const SessionSetup& setup, const KeyTable& keys, ScreenPainter& painter,
                 SessionView& view)
    : options_(setup.options),
      keys_(keys),
      view_(view),
      screen_(setup.geometry, setup.options, painter, setup.colors),
      interpreter_(screen_, *this, InterpreterOptions{setup.telnet}),
      keyboard_(keys, options_, [this](std::string_view bytes) { SendText(bytes); }),
      keypad_(setup.keypad),
      loginScript_(setup.loginScript) {
  keyboard_.SetCredentials(setup.userName, setup.password);
  keyboard_.Setup(options_.Emulation, keypad_);
}

Session::~Session() {
  // The link goes first: its destructor may still report, and the script
  // puts the frame's title back through the view.
  link_.reset();
  script_.reset();
  // A job still open when the window goes is finished, not lost.
  printOut_.reset();
}

std::string Session::ElapsedText() const { return FormatElapsed(ElapsedSeconds()); }

void Session::AttachLink(std::unique_ptr<SessionLink> link) {
  link_ = std::move(link);
  if (link_) link_->SetLocalEcho(options_.LocalEcho != 0);
}

void Session::AttachTelnet(EventLoop& loop, const std::string& host, int port, bool askOnClose) {
  AttachLink(MakeTelnetLink(loop, *this, host, port, askOnClose));
}

void Session::AttachHostClient(EventLoop& loop, int acceptedFd, const std::string& peerAddress) {
  AttachLink(MakeHostTelnetLink(loop, *this, acceptedFd, peerAddress));
}

void Session::Start() {
  if (link_) link_->Start();
}

void Session::Interpret(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return;
  ++outputDepth_;
  if (outputDepth_ == 1) view_.BeginOutput();
  interpreter_.Process(bytes);
  if (outputDepth_ == 1) view_.EndOutput();
  --outputDepth_;
}

void Session::Received(std::span<const uint8_t> bytes) {
  view_.BlockReceived(bytes);
  view_.ClearSelection();
  Interpret(bytes);
}

void Session::Show(std::span<const uint8_t> bytes) { Interpret(bytes); }

void Session::LinkConnected() {
  view_.Connected();
  StartLoginScript();
}

void Session::LinkFailed(std::string_view text, bool stop) {
  view_.ShowFailure(text, stop);
  view_.ConnectionEnded(true);
}

void Session::LinkClosed(bool closeWindow) { view_.ConnectionEnded(closeWindow); }

void Session::StartLoginScript() {
  if (!loginScript_.empty()) RunScript(loginScript_);
}

ScriptStatus Session::RunScript(const std::string& file) {
  if (script_) return ScriptStatus::OpenFailed;
  script_ = std::make_unique<Script>(static_cast<ScriptHost&>(*this));
  const ScriptStatus status = script_->Start(file);
  if (status != ScriptStatus::Waiting) script_.reset();
  return status;
}

void Session::StartCapture(std::unique_ptr<CaptureFile> file, std::function<void()> failed) {
  capture_ = std::move(file);
  captureFailed_ = std::move(failed);
}

void Session::StopCapture() {
  capture_.reset();
  captureFailed_ = nullptr;
}

// A failed write (a full disk, a file gone bad) ends capture at once: the
// session goes on, and the window is told once rather than for every block.
void Session::CaptureWrite(std::span<const uint8_t> bytes) {
  if (!capture_ || capture_->Write(bytes)) return;
  auto failed = std::move(captureFailed_);
  StopCapture();
  if (failed) failed();
}

ScriptVerdict Session::OfferToScript(uint8_t byte) {
  if (!script_) return ScriptVerdict::Ended;
  if (script_->ProcessByte(static_cast<char>(byte)) == ScriptStatus::Waiting) {
    return ScriptVerdict::Continue;
  }
  script_.reset();
  return ScriptVerdict::Ended;
}

void Session::SendData(std::span<const uint8_t> bytes) {
  if (link_ && !bytes.empty()) link_->SendData(bytes);
}

void Session::SendText(std::string_view text) { SendData(Bytes(text)); }

void Session::SendRaw(std::span<const uint8_t> bytes) {
  if (link_ && !bytes.empty()) link_->SendRaw(bytes);
}

bool Session::ReturnViewOnKey() {
  const int top = scrollback_.ReturnOnKey(screen_.Cursor().row, screen_.Height());
  if (top < 0) return false;
  if (top != screen_.ScreenTop()) {
    screen_.SetScreenTop(top);
    screen_.InvalidateAll();
  }
  return true;
}

bool Session::KeyDown(VirtualKey vk, KeyModifiers mods) {
  ReturnViewOnKey();
  return keyboard_.KeyDown(vk, mods);
}

void Session::Char(uint8_t ch, KeyModifiers mods) { keyboard_.Char(ch, mods); }

bool Session::SysKeyDown(VirtualKey vk, KeyModifiers mods) {
  return keyboard_.SysKeyDown(vk, mods);
}

void Session::Paste(std::string_view bytes, const std::function<bool()>& between) {
  if (pasting_) return;
  pasting_ = true;
  // A key sent by the last key press must not swallow the first pasted
  // character: clear the keyboard's key-handled flag as a fresh key does.
  keyboard_.KeyDown(VirtualKey::Other, {});
  bool afterCr = false;
  for (const char c : bytes) {
    auto byte = static_cast<uint8_t>(c);
    // Every line end (CR LF, LF alone or CR alone) is one Enter: the LF of
    // a CR LF pair is dropped, a lone LF is sent as CR.
    const bool lf = byte == kLineFeed;
    const bool pairedLf = lf && afterCr;
    afterCr = byte == kCarriageReturn;
    if (pairedLf) continue;
    if (lf) byte = kCarriageReturn;
    keyboard_.Char(byte, {});
    if (between && !between()) break;
  }
  pasting_ = false;
}

bool Session::Resize(int height) {
  screen_.SetHeight(height);
  const bool moved = screen_.KeepCursorVisible();
  interpreter_.WindowResized();
  return moved;
}

void Session::SetOptions(const TerminalOptions& options) {
  options_ = options;
  screen_.SetOptions(options);
  if (link_) link_->SetLocalEcho(options.LocalEcho != 0);
  keyboard_.Setup(options_.Emulation, keypad_);
}

void Session::SetKeypadMode(KeypadMode mode) {
  keypad_ = mode;
  keyboard_.Setup(options_.Emulation, keypad_);
}

void Session::StartAttachedPrinting() {
  view_.SetPrintTimer(false);
  if (printOut_) return;  // resumed within the end timer: same page, same place
  printOut_ = std::make_unique<AttachedPrintOut>(view_.OpenAttachedPrinter());
  printOut_->Begin();
  view_.AttachedPrintingChanged(true);
}

bool Session::PrintByte(uint8_t byte) {
  if (!printOut_) return true;
  if (!printOut_->Filter(byte)) return false;
  view_.SetPrintTimer(true);
  return true;
}

void Session::AttachedPrintTimer() {
  view_.SetPrintTimer(false);
  if (!printOut_) return;
  printOut_->End();
  printOut_.reset();
  view_.AttachedPrintingChanged(false);
}

void Session::CancelAttachedPrinting() {
  interpreter_.ReturnToGround();
  view_.SetPrintTimer(false);
  if (!printOut_) return;
  printOut_->Abort();
  printOut_.reset();
  view_.AttachedPrintingChanged(false);
}

}  // namespace parlane

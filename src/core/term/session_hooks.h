// Every side effect of the interpreter goes through one session interface.
// The Telnet and dial-up sessions implement it; tests and parlane-render use
// RecordingSession (term/recording_session.h) or NullSessionHooks.
#pragma once

#include <cstdint>
#include <span>

namespace parlane {

enum class ScriptVerdict { Continue, Ended };

// Requests of the host that reach beyond the session's window.
enum class HostRequest {
  Download,       // a Zmodem request: files would be written to the receive directory
  AttachedPrint,  // ESC [ 5 i: the host's bytes would go to the user's printer
};

class SessionHooks {
 public:
  virtual ~SessionHooks() = default;

  // The data send: terminal replies (device attributes, status reports).
  // Telnet doubles byte 255 here. When local echo is on the implementation
  // passes the same bytes back to the session's Interpreter::Process; that
  // re-entry is safe (the echo is shown as soon as the current sequence has
  // been handled).
  virtual void SendData(std::span<const uint8_t> bytes) = 0;
  // The raw send: Telnet negotiation replies, never echoed, never doubled.
  virtual void SendRaw(std::span<const uint8_t> bytes) = 0;
  // BEL: the speaker beep or the bell sound, by the sound settings.
  virtual void Bell() = 0;
  // The host sent a Zmodem request (CAN "B00"): start the download. The rest
  // of the received block has been discarded.
  virtual void RequestDownload() = 0;
  // ESC [ 5 i: start (or resume) attached printing.
  virtual void StartAttachedPrinting() = 0;
  // One byte for the attached printer; answers true when the host has ended
  // the print job (the interpreter then returns to normal display and the
  // session starts its 6-second end-of-job timer).
  virtual bool PrintByte(uint8_t byte) = 0;
  // Whether a script is running; asked once per received block.
  virtual bool ScriptRunning() { return false; }
  // A byte of normal display offered to the running script. Ended means the
  // script has finished: the session destroys it and no more bytes of the
  // block are offered.
  virtual ScriptVerdict OfferToScript(uint8_t) { return ScriptVerdict::Ended; }
  // Each block passed to Process, unchanged, before it is interpreted (the
  // capture file when capture is on).
  virtual void CaptureWrite(std::span<const uint8_t>) {}
  // Asked before a Zmodem request or ESC [ 5 i takes effect. False refuses
  // it: the request's bytes are shown as text (Download), or the print
  // job's bytes are shown instead of printed (AttachedPrint).
  virtual bool AllowHostRequest(HostRequest) { return true; }
};

// Does nothing; attached printing never ends on its own.
class NullSessionHooks : public SessionHooks {
 public:
  void SendData(std::span<const uint8_t>) override {}
  void SendRaw(std::span<const uint8_t>) override {}
  void Bell() override {}
  void RequestDownload() override {}
  void StartAttachedPrinting() override {}
  bool PrintByte(uint8_t) override { return false; }
};

}  // namespace parlane

// The byte interpreter of a session: Process() takes each received block (and
// the session's own status texts and local echo) and turns it into changes
// of the TerminalScreen, replies, and hand-offs through SessionHooks.
//
// One object per session window. A Telnet session also recognises Telnet
// commands (IAC) in the stream and answers the host's option requests.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "term/emulation.h"
#include "term/parser.h"
#include "term/screen.h"
#include "term/session_hooks.h"
#include "telnet/decoder.h"
#include "telnet/options.h"

namespace parlane {

enum class InterpreterState : uint32_t {
  Ground,
  Escape,
  TransferDetect,
  PrinterPassThrough,
  TelnetCommand,
  TelnetOption,
  TelnetSubnegotiation,
};

// "Ground", "Escape", ... as used by parlane-render's json.
std::string_view StateName(InterpreterState state);

struct InterpreterOptions {
  bool telnet = false;  // a Telnet session: byte 255 starts a Telnet command
};

class Interpreter {
 public:
  Interpreter(TerminalScreen& screen, SessionHooks& hooks, InterpreterOptions options = {});
  Interpreter(const Interpreter&) = delete;
  Interpreter& operator=(const Interpreter&) = delete;

  // Interprets one block. The writable form stores the bytes as printed back
  // into the block (line drawing, SCO high bit). A call made while another
  // Process of this session is running (the local echo of a reply) is queued
  // and shown as soon as the sequence being handled has ended.
  void Process(std::span<uint8_t> block);
  void Process(std::span<const uint8_t> block);
  void Process(std::string_view text);

  InterpreterState State() const;
  // Cancel of attached printing: back to normal display at once.
  void ReturnToGround() {
    state_ = InterpreterState::Ground;
    telnet_.Reset();
  }

  bool IsTelnet() const { return options_.telnet; }
  // What the host has agreed to (TRANSMIT-BINARY each way, NAWS).
  const telnet::OptionState& TelnetOptions() const { return telnetOptions_; }
  // After a resize: sends the window size (C columns, H rows) when NAWS is in
  // force. Returns whether it was sent.
  bool WindowResized();

  TerminalScreen& Screen() { return screen_; }
  const TerminalScreen& Screen() const { return screen_; }

 private:
  void Run(const uint8_t* data, size_t size, uint8_t* writable);
  size_t GroundRun(const uint8_t* p, const uint8_t* end, uint8_t* writable);
  // Handles the control byte at `p`; returns the bytes taken (more than one
  // when a whole escape sequence was handled with it).
  size_t ControlByte(ByteClass cls, const uint8_t* p, const uint8_t* end);
  const uint8_t* EscapeRun(const uint8_t* p, const uint8_t* end);
  void EndSequence(EscapeCollector::Step step);
  bool TransferDetectByte(uint8_t b);  // true: the rest of the block is dropped
  void PrinterByte(uint8_t b);
  // The Telnet commands in the stream: the decoder hands them here.
  class TelnetSink final : public telnet::DecoderSink {
   public:
    explicit TelnetSink(Interpreter& owner) : owner_(owner) {}
    bool Data(std::span<const uint8_t> run) override;
    void OptionRequest(uint8_t verb, uint8_t option) override;
    void Subnegotiation(uint8_t option, std::span<const uint8_t> payload) override;

   private:
    Interpreter& owner_;
  };
  // At the ESC or CSI byte `p`; returns the bytes taken.
  size_t StartSequence(bool csi, const uint8_t* p, const uint8_t* end);
  void DrainEcho() {
    if (!echo_.empty()) DrainEchoQueue();
  }
  void DrainEchoQueue();

  // Final-byte handlers (dispatch.cpp).
  void Dispatch();
  void DispatchVt100(uint8_t final);
  void DispatchPcAnsi(uint8_t final);
  void DispatchSco(uint8_t final);
  bool DispatchCursor(uint8_t final);
  bool DispatchCommon(uint8_t final);
  bool DispatchFrequentVt(uint8_t final);
  void CursorPositionSeq();
  void EraseInLineVtSeq();
  void VtRenditions();
  void AnsiRenditions();
  void ScoRenditions();
  void DeviceAttributes();
  void StatusReport();
  void StartPrinting();
  int CountParam() const;  // n: 1 with one slot, else P1

  void SendReply(std::span<const uint8_t> bytes) { hooks_.SendData(bytes); }
  void SendRaw(std::span<const uint8_t> bytes) { hooks_.SendRaw(bytes); }

  TerminalScreen& screen_;
  SessionHooks& hooks_;
  InterpreterOptions options_;
  InterpreterState state_ = InterpreterState::Ground;
  EscapeCollector seq_;
  int transferCount_ = 0;
  telnet::Decoder telnet_{
      {.stripNulAfterCr = false, .loneSeEndsSubnegotiation = true, .maxSubnegotiation = 0}};
  TelnetSink telnetSink_{*this};
  const uint8_t* blockEnd_ = nullptr;  // the end of the block being run
  telnet::OptionState telnetOptions_;
  bool scriptRunning_ = false;
  // Re-entry from the local echo of a reply.
  int depth_ = 0;
  std::vector<uint8_t> echo_;
  const ByteClassTable* table_ = nullptr;
  // The emulation's final-byte table and designations, read once per block.
  DispatchTable dispatch_ = DispatchTable::Vt100;
  bool designation_ = true;
};

}  // namespace parlane

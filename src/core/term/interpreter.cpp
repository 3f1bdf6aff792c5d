// The byte loop: Ground, Escape, TransferDetect, PrinterPassThrough and the
// three Telnet states.
#include "term/interpreter.h"

#include <array>

namespace parlane {

namespace {

// Bound on the local echo of replies that themselves cause replies; the
// replies the terminal sends never do, so this only stops a runaway peer
// implementation of the data send.
constexpr int kMaxEchoRounds = 64;

class DepthGuard {
 public:
  explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  int& depth_;
};

}  // namespace

std::string_view StateName(InterpreterState state) {
  static constexpr std::array<std::string_view, 7> kNames = {
      "Ground",        "Escape",       "TransferDetect",      "PrinterPassThrough",
      "TelnetCommand", "TelnetOption", "TelnetSubnegotiation"};
  const auto index = static_cast<size_t>(state);
  return index < kNames.size() ? kNames[index] : "Ground";
}

InterpreterState Interpreter::State() const {
  switch (telnet_.CurrentState()) {
    case telnet::Decoder::State::Data: return state_;
    case telnet::Decoder::State::Command: return InterpreterState::TelnetCommand;
    case telnet::Decoder::State::Option: return InterpreterState::TelnetOption;
    case telnet::Decoder::State::SubOption:
    case telnet::Decoder::State::Sub:
    case telnet::Decoder::State::SubIac: break;
  }
  return InterpreterState::TelnetSubnegotiation;
}

Interpreter::Interpreter(TerminalScreen& screen, SessionHooks& hooks, InterpreterOptions options)
    : screen_(screen), hooks_(hooks), options_(options) {}

void Interpreter::Process(std::span<uint8_t> block) {
  if (depth_ > 0) {
    echo_.insert(echo_.end(), block.begin(), block.end());
    return;
  }
  DepthGuard guard(depth_);
  Run(block.data(), block.size(), block.data());
  DrainEcho();
}

void Interpreter::Process(std::span<const uint8_t> block) {
  if (depth_ > 0) {
    echo_.insert(echo_.end(), block.begin(), block.end());
    return;
  }
  DepthGuard guard(depth_);
  Run(block.data(), block.size(), nullptr);
  DrainEcho();
}

void Interpreter::Process(std::string_view text) {
  Process(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void Interpreter::DrainEchoQueue() {
  for (int round = 0; round < kMaxEchoRounds && !echo_.empty(); ++round) {
    std::vector<uint8_t> pending;
    pending.swap(echo_);
    Run(pending.data(), pending.size(), pending.data());
  }
  echo_.clear();
}

bool Interpreter::WindowResized() {
  if (!options_.telnet || !telnetOptions_.WindowSizeAgreed()) return false;
  SendRaw(telnet::WindowSizeReport(screen_.Columns(), screen_.Height()));
  return true;
}

void Interpreter::Run(const uint8_t* data, size_t size, uint8_t* writable) {
  if (size == 0) return;
  hooks_.CaptureWrite({data, size});
  scriptRunning_ = hooks_.ScriptRunning();
  const Emulation emulation = screen_.Emu();
  table_ = &GroundTable(emulation, options_.telnet);
  dispatch_ = TraitsOf(emulation).dispatch;
  designation_ = TraitsOf(emulation).charsets;
  const uint8_t* p = data;
  const uint8_t* end = data + size;
  blockEnd_ = end;
  while (p < end) {
    if (telnet_.InCommand()) {
      // A Telnet command, begun in an earlier block or at an IAC in Ground.
      p += telnet_.FeedCommand({p, static_cast<size_t>(end - p)}, telnetSink_);
      continue;
    }
    switch (state_) {
      case InterpreterState::Ground:
        // Runs and control bytes follow each other here until a sequence
        // is left incomplete or another state begins.
        do {
          p += GroundRun(p, end, writable != nullptr ? writable + (p - data) : nullptr);
        } while (p < end && state_ == InterpreterState::Ground && !telnet_.InCommand());
        break;
      case InterpreterState::Escape: p = EscapeRun(p, end); break;
      case InterpreterState::TransferDetect:
        if (TransferDetectByte(*p++)) return;  // a download: the rest is dropped
        break;
      case InterpreterState::PrinterPassThrough: PrinterByte(*p++); break;
      case InterpreterState::TelnetCommand:
      case InterpreterState::TelnetOption:
      case InterpreterState::TelnetSubnegotiation:
        state_ = InterpreterState::Ground;  // only the decoder holds these
        break;
    }
  }
}

size_t Interpreter::GroundRun(const uint8_t* p, const uint8_t* end, uint8_t* writable) {
  if (scriptRunning_ && hooks_.OfferToScript(*p) == ScriptVerdict::Ended) {
    scriptRunning_ = false;
  }
  const ByteClass cls = (*table_)[*p];
  if (cls != ByteClass::Print) {
    // ESC is the most frequent control byte: a plain branch, not the switch.
    if (cls == ByteClass::Escape) {
      screen_.PadToCursor();
      return StartSequence(false, p, end);
    }
    return ControlByte(cls, p, end);
  }
  // While a script runs every byte is offered to it first, so runs are single bytes.
  const size_t available = static_cast<size_t>(end - p);
  const size_t len = scriptRunning_ ? 1 : PrintRunLength(*table_, {p, available});
  std::span<uint8_t> back;
  if (writable != nullptr) back = {writable, len};
  screen_.WriteRun({p, len}, back, {p + len, available - len});
  return len;
}

size_t Interpreter::ControlByte(ByteClass cls, const uint8_t* p, const uint8_t* end) {
  const std::span<const uint8_t> rest{p + 1, static_cast<size_t>(end - p - 1)};
  switch (cls) {
    case ByteClass::Print:
    case ByteClass::Ignore: break;
    case ByteClass::Bell: hooks_.Bell(); break;
    case ByteClass::Backspace: screen_.Backspace(); break;
    case ByteClass::Tab: screen_.Tab(); break;
    case ByteClass::LineFeed: screen_.LineFeed(rest); return 1;  // no padding after a line feed
    case ByteClass::FormFeed: screen_.FormFeed(); break;
    case ByteClass::Return:
      screen_.CarriageReturn(rest);
      if (screen_.Options().InboundCrLf != 0) return 1;
      break;
    case ByteClass::ShiftOut: screen_.SelectCharset(CharsetSlot::G1); break;
    case ByteClass::ShiftIn: screen_.SelectCharset(CharsetSlot::G0); break;
    case ByteClass::Cancel:
      state_ = InterpreterState::TransferDetect;
      transferCount_ = 0;
      break;
    case ByteClass::Escape:
    case ByteClass::Csi: screen_.PadToCursor(); return StartSequence(cls == ByteClass::Csi, p, end);
    case ByteClass::Iac:
      screen_.PadToCursor();
      telnet_.FeedCommand({p, 1}, telnetSink_);
      return 1;
  }
  screen_.PadToCursor();
  return 1;
}

size_t Interpreter::StartSequence(bool csi, const uint8_t* p, const uint8_t* end) {
  state_ = InterpreterState::Escape;
  // Most sequences are a whole ESC [ ... final within the block: they are
  // taken and handled at once, without the byte-by-byte collector.
  const uint8_t* params = csi ? p + 1 : p + 2;
  if (params <= end && (csi || p[1] == '[')) {
    if (const size_t taken = seq_.TakeWholeCsi(params, end)) {
      EndSequence(EscapeCollector::Step::Final);
      return static_cast<size_t>(params - p) + taken;
    }
  }
  seq_.Start(csi);
  return 1;
}

const uint8_t* Interpreter::EscapeRun(const uint8_t* p, const uint8_t* end) {
  const EscapeCollector::Step step = seq_.Collect(p, end, designation_);
  if (step != EscapeCollector::Step::Continue) EndSequence(step);
  return p;
}

void Interpreter::EndSequence(EscapeCollector::Step step) {
  switch (step) {
    case EscapeCollector::Step::Continue: return;
    case EscapeCollector::Step::Abandon:
    case EscapeCollector::Step::DigitIgnored: break;
    case EscapeCollector::Step::Designate:
      screen_.Designate(seq_.DesignatesG1() ? CharsetSlot::G1 : CharsetSlot::G0,
                        seq_.DesignatesLineDrawing());
      break;
    case EscapeCollector::Step::SaveCursor: screen_.SaveCursor(); break;
    case EscapeCollector::Step::RestoreCursor: screen_.RestoreCursor(); break;
    case EscapeCollector::Step::Final:
      Dispatch();
      if (state_ != InterpreterState::PrinterPassThrough) state_ = InterpreterState::Ground;
      DrainEcho();  // a reply echoed locally is shown once its request has ended
      return;
  }
  state_ = InterpreterState::Ground;
}

bool Interpreter::TransferDetectByte(uint8_t b) {
  // The Zmodem request header after ZPAD ZPAD ZDLE: "B" "0" "0".
  constexpr std::array<uint8_t, 3> kPattern = {'B', '0', '0'};
  if (b != kPattern[static_cast<size_t>(transferCount_)]) {
    state_ = InterpreterState::Ground;
    return false;
  }
  if (++transferCount_ < static_cast<int>(kPattern.size())) return false;
  state_ = InterpreterState::Ground;
  if (!hooks_.AllowHostRequest(HostRequest::Download)) {
    // Refused: the request is plain text, and the rest of the block follows it.
    screen_.WriteRun(kPattern, {}, {});
    screen_.PadToCursor();
    return false;
  }
  hooks_.RequestDownload();
  return true;
}

void Interpreter::PrinterByte(uint8_t b) {
  if (hooks_.PrintByte(b)) state_ = InterpreterState::Ground;
}

// ---- Telnet ----

bool Interpreter::TelnetSink::Data(std::span<const uint8_t> run) {
  // IAC IAC: one data byte 255, shown without script or control handling.
  const uint8_t* next = run.data() + run.size();
  owner_.screen_.WriteGlyph(telnet::kIac, {next, static_cast<size_t>(owner_.blockEnd_ - next)});
  owner_.screen_.PadToCursor();
  return true;
}

void Interpreter::TelnetSink::OptionRequest(uint8_t verb, uint8_t option) {
  owner_.telnetOptions_.NoteRequest(verb, option);
  if (const auto reply = telnet::OptionReply(verb, option)) owner_.SendRaw(*reply);
  if (verb == telnet::kDo && option == telnet::kOptNaws) {
    owner_.SendRaw(telnet::WindowSizeReport(owner_.screen_.Columns(), owner_.screen_.Height()));
  }
}

void Interpreter::TelnetSink::Subnegotiation(uint8_t option, std::span<const uint8_t> /*payload*/) {
  std::string_view answer;
  if (option == telnet::kOptTerminalType) {
    answer = TraitsOf(owner_.screen_.Emu()).telnetType;
  } else if (option == telnet::kOptTerminalSpeed) {
    answer = telnet::kTerminalSpeedText;
  } else {
    return;
  }
  // Three sends: head, text, end.
  owner_.SendRaw(telnet::SubnegotiationHead(option));
  owner_.SendRaw({reinterpret_cast<const uint8_t*>(answer.data()), answer.size()});
  owner_.SendRaw(telnet::kSubnegotiationEnd);
}

}  // namespace parlane

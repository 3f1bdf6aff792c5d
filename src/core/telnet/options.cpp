#include "telnet/options.h"

namespace parlane::telnet {

namespace {

// The verb we answer WILL with (DO, or DONT for options we only refuse to
// have the host perform) and the one we answer DO with (WILL or WONT).
struct OptionPolicy {
  uint8_t onWill;  // 0: no answer
  uint8_t onDo;
};

OptionPolicy PolicyFor(uint8_t option) {
  switch (option) {
    case kOptBinary:
    case kOptSuppressGoAhead: return {kDo, kWill};
    case kOptEcho: return {kDo, kWont};
    case kOptTerminalType:
    case kOptTerminalSpeed: return {kDont, kWill};
    case kOptNaws: return {0, kWill};
    default: return {kDont, kWont};
  }
}

}  // namespace

std::optional<Reply> OptionReply(uint8_t verb, uint8_t option) {
  const OptionPolicy policy = PolicyFor(option);
  uint8_t answer = 0;
  if (verb == kWill) answer = policy.onWill;
  if (verb == kDo) answer = policy.onDo;
  if (answer == 0) return std::nullopt;
  return Reply{kIac, answer, option};
}

std::array<uint8_t, 4> SubnegotiationHead(uint8_t option) { return {kIac, kSb, option, kSubIs}; }

namespace {

void PutSize(std::vector<uint8_t>& out, int value) {
  // NAWS sizes are 16-bit; a window is never near that, but stay in range.
  constexpr int kMaxNawsSize = 0xFFFF;
  const int v = value < 0 ? 0 : (value > kMaxNawsSize ? kMaxNawsSize : value);
  for (uint8_t byte : {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v & 0xFF)}) {
    out.push_back(byte);
    if (byte == kIac) out.push_back(kIac);
  }
}

}  // namespace

std::vector<uint8_t> WindowSizeReport(int columns, int rows) {
  std::vector<uint8_t> out = {kIac, kSb, kOptNaws};
  PutSize(out, columns);
  PutSize(out, rows);
  out.push_back(kIac);
  out.push_back(kSe);
  return out;
}

std::array<uint8_t, 6> BinaryModeRequest(bool on) {
  if (on) return {kIac, kDo, kOptBinary, kIac, kWill, kOptBinary};
  return {kIac, kDont, kOptBinary, kIac, kWont, kOptBinary};
}

void OptionState::NoteRequest(uint8_t verb, uint8_t option) {
  if (option == kOptBinary) {
    if (verb == kWill || verb == kWont) binary_.hostSendsBinary = verb == kWill;
    if (verb == kDo || verb == kDont) binary_.weSendBinary = verb == kDo;
  }
  if (option == kOptNaws) {
    if (verb == kDo) naws_ = true;
    if (verb == kDont) naws_ = false;
  }
}

}  // namespace parlane::telnet

#include "term/recording_session.h"

#include "term/interpreter.h"

namespace parlane {

void RecordingSession::SendData(std::span<const uint8_t> bytes) {
  sent.push_back({false, {bytes.begin(), bytes.end()}});
  if (echo_ != nullptr) echo_->Process(bytes);
}

void RecordingSession::SendRaw(std::span<const uint8_t> bytes) {
  sent.push_back({true, {bytes.begin(), bytes.end()}});
}

bool RecordingSession::PrintByte(uint8_t byte) {
  constexpr uint8_t kEsc = 27, kCsi = 155;
  printed.push_back(byte);
  switch (printState_) {
    case 0:
      if (byte == kEsc) printState_ = 1;
      if (byte == kCsi) printState_ = 2;
      return false;
    case 1: printState_ = byte == '[' ? 2 : 0; return false;
    case 2: printState_ = byte == '4' ? 3 : 0; return false;
    default: printState_ = 0; return byte == 'i';
  }
}

std::vector<uint8_t> RecordingSession::AllSent() const {
  std::vector<uint8_t> all;
  for (const auto& s : sent) all.insert(all.end(), s.bytes.begin(), s.bytes.end());
  return all;
}

}  // namespace parlane

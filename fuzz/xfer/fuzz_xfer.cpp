// The receiving side of the transfer engines on arbitrary input: the Zmodem
// header and subpacket parser, and the Zmodem and Ymodem-G receivers
// driven through a link whose input is the fuzzer's data (its end times out).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "xfer/transfer_run.h"
#include "xfer/ymodem_g.h"
#include "xfer/zmodem.h"

namespace {

using namespace parlane;

class DataLink final : public TransferLink {
 public:
  DataLink(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  int ReadByte(int) override { return pos_ < size_ ? data_[pos_++] : -1; }
  int ReadAnyByte(uint8_t* p, int s) override {
    const int c = ReadByte(s);
    if (c < 0) return -1;
    *p = static_cast<uint8_t>(c);
    return 0;
  }
  int InputCount() override { return static_cast<int>(size_ - pos_); }
  int WaitForInput(int) override { return pos_ < size_; }
  int WriteBlock(const uint8_t*, size_t, int) override { return 0; }
  int WriteByte(uint8_t, int) override { return 0; }
  int OutputCount() override { return 0; }
  int SendBreak(int) override { return 0; }
  int PurgeInput() override { return 0; }
  int PurgeOutput() override { return 0; }
  bool InputEnded() const override { return pos_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

std::string ScratchDir() {
  const auto dir = std::filesystem::temp_directory_path() / "parlane-fuzz-xfer";
  std::filesystem::create_directories(dir);
  return dir.string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks what is fed: the parser alone, a Zmodem receive or
  // a Ymodem-G receive.
  const uint8_t mode = data[0] % 3;
  DataLink link(data + 1, size - 1);
  NullTransferDisplay display;
  static const std::string dir = ScratchDir();
  TransferOptions options;
  options.receiveDir = dir;
  if (mode == 0) {
    TransferProgress progress(display);
    ZmodemFrames frames(link, progress, kSerialTiming);
    uint8_t buffer[ZmodemFrames::kDataCapacity];
    while (link.InputCount() > 0) {
      frames.ReceiveHeader(1);
      frames.ReceiveDataSubpacket(buffer, sizeof buffer);
    }
  } else if (mode == 1) {
    // An attention string's pause byte (222) really waits two seconds of
    // the clock; inputs that could set one only cost time.
    if (std::find(data, data + size, uint8_t{222}) != data + size) return 0;
    Zmodem z(link, display, options);
    RunTransfer(z, TransferDirection::Receive);
  } else {
    YmodemG y(link, display, options);
    RunTransfer(y, TransferDirection::Receive);
  }
  return 0;
}

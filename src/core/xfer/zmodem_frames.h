// The Zmodem frame layer over a TransferLink: sends headers and subpackets
// built by the codec, and parses incoming headers and subpackets with the
// protocol's garbage, cancel and time limits. Results are frame types or the
// codes of zmodem_codec.h; status texts go to the progress display.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "xfer/crc.h"
#include "xfer/progress.h"
#include "xfer/transfer_link.h"
#include "xfer/zmodem_codec.h"
#include "xfer/zmodem_header.h"

namespace parlane {

// The time limits of one Zmodem flavour, in seconds.
struct ZmodemTiming {
  int header;      // ReceiveHeader in the batch start, offer, ZRINIT wait, endings
  int read;        // each byte inside a header or subpacket
  int write;       // each write of headers and subpackets
  bool doubleIac;  // Telnet: every 255 on the wire goes out twice
};

// Serial: short reads, writes that may wait for a slow line.
inline constexpr ZmodemTiming kSerialTiming{10, 10, 30000, false};
// Telnet: the link itself waits up to a minute for every read.
inline constexpr ZmodemTiming kTelnetTiming{15, 15, 15, true};

class ZmodemFrames {
 public:
  // Garbage bytes tolerated before a header start before giving up.
  static constexpr int kGarbageBudget = zm::HeaderReader::kGarbageBudget;
  // CAN bytes in a row that cancel the session.
  static constexpr int kCancelRun = zm::HeaderReader::kCancelRun;
  // Subpacket capacities: file data and the attention string.
  static constexpr size_t kDataCapacity = 1024;
  static constexpr size_t kAttentionCapacity = 32;

  ZmodemFrames(TransferLink& link, TransferProgress& progress, const ZmodemTiming& timing);

  // Sending.
  void SendHexHeader(int type, const zm::Header& h);
  void SendBinaryHeader(int type, const zm::Header& h);
  void SendDataSubpacket(std::span<const uint8_t> data, uint8_t end);
  void SendPlain(std::span<const uint8_t> bytes);

  // Receiving.
  int ReceiveHeader(int seconds);
  int ReceiveDataSubpacket(uint8_t* buffer, size_t capacity);
  int ReadEscaped();

  // Negotiated state.
  void SetSendCrc32(bool on) { send_.crc32 = on; }
  bool SendCrc32() const { return send_.crc32; }
  void SetEscapeControl(bool on) { send_.escapeControl = on; }
  bool EscapeControl() const { return send_.escapeControl; }
  bool ReceiveCrc32() const { return receiveCrc32_; }

  const zm::Header& ReceivedHeader() const { return rxHeader_; }
  uint32_t ReceivedPosition() const { return rxPosition_; }
  size_t ReceivedLength() const { return rxLength_; }
  const ZmodemTiming& Timing() const { return timing_; }
  TransferLink& Link() { return link_; }

 private:
  int ParseHeader(int seconds);
  size_t TakePlainBytes(uint8_t* buffer, size_t capacity, size_t length, Crc16& crc16,
                        Crc32& crc32);
  size_t PlainRun(std::span<const uint8_t> bytes, size_t limit) const;
  void ReportHeader(int result);
  void Flush();

  TransferLink& link_;
  TransferProgress& progress_;
  ZmodemTiming timing_;
  zm::EncodeOptions send_;
  bool receiveCrc32_ = false;
  zm::Header rxHeader_;
  uint32_t rxPosition_ = 0;
  size_t rxLength_ = 0;
  std::vector<uint8_t> out_;
};

}  // namespace parlane

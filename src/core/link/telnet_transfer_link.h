// The timed link operations on a Telnet connection, for Zmodem over Telnet.
// The socket is read in pieces of up to 4096 bytes; every wait is 60 seconds
// whatever the protocol asks, as Telnet hosts can be slow to turn round.
//
// Telnet framing is taken care of here: a doubled 255 is one data byte (also
// when the halves arrive in different receives), option commands that
// arrive during the transfer are taken out of the data and their BINARY
// answers remembered, and while a direction is not binary a carriage return
// travels as CR NUL. WriteByte doubles 255; WriteBlock does not (the Zmodem
// sender doubles 255 itself in the blocks it builds).
//
// Single bytes are gathered and go out together before any read, wait,
// count, break or block write; each WriteBlock goes out at once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "telnet/codes.h"
#include "telnet/decoder.h"
#include "xfer/buffered_link.h"

namespace parlane {

class TelnetTransferLink final : public BufferedTransferLink, private telnet::DecoderSink {
 public:
  static constexpr size_t kReceiveBufferSize = 4096;
  // Every wait of this link, whatever the protocol's own time limit.
  static constexpr int kWaitSeconds = 60;
  // The longest the end of the link waits to write out what is gathered.
  static constexpr int kCloseFlushSeconds = 5;
  // Gathered single bytes go out once this many have collected.
  static constexpr size_t kGatherLimit = 4096;

  // `fd` is the connection's socket (not owned). `binary` is the state agreed
  // before the transfer; answers seen during it update it.
  explicit TelnetTransferLink(int fd, TelnetBinaryState binary = {});
  ~TelnetTransferLink() override;

  // True once the peer has closed the connection.
  bool PeerClosed() const { return peerClosed_; }
  TelnetBinaryState BinaryState() const { return binary_; }

 private:
  long ReadSome(uint8_t* buffer, size_t capacity) override;
  long WriteSome(const uint8_t* bytes, size_t count) override;
  int WaitDescriptor(short /*events*/) const override { return fd_; }
  size_t DecodeInput(uint8_t* bytes, size_t count) override;
  telnet::EncodeRules ByteFraming() const override { return {true, !binary_.weSendBinary}; }
  telnet::EncodeRules BlockFraming() const override { return {false, !binary_.weSendBinary}; }
  int DriverOutputCount() override;
  // Only what this link has read is dropped; the socket is left alone.
  bool PurgeDriverInput() override { return true; }

  // The decoded stream: data is packed at the front of the block it came
  // from; the host's BINARY answers are remembered.
  bool Data(std::span<const uint8_t> run) override;
  void OptionRequest(uint8_t verb, uint8_t option) override;

  int fd_;
  TelnetBinaryState binary_;
  bool peerClosed_ = false;
  telnet::Decoder decoder_;
  uint8_t* decodeOut_ = nullptr;
};

}  // namespace parlane

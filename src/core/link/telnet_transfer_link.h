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
#include <vector>

#include "telnet/codes.h"
#include "xfer/transfer_link.h"

namespace parlane {

class TelnetTransferLink final : public TransferLink {
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

  int ReadByte(int seconds) override;
  int ReadAnyByte(uint8_t* place, int seconds) override;
  int InputCount() override;
  int WaitForInput(int seconds) override;
  int WriteBlock(const uint8_t* bytes, size_t count, int seconds) override;
  int WriteByte(uint8_t byte, int seconds) override;
  int OutputCount() override;
  int SendBreak(int seconds) override;
  int PurgeInput() override;
  int PurgeOutput() override;

  // Writes out gathered bytes; 0, or -1 if they could not be sent in time.
  int Flush() override;
  // True once the peer has closed the connection.
  bool InputEnded() const override { return peerClosed_; }
  bool PeerClosed() const { return peerClosed_; }
  TelnetBinaryState BinaryState() const { return binary_; }

 private:
  enum class In { Data, Iac, Verb, Sub, SubIac, AfterCr };

  // A subnegotiation longer than this is taken for garbage and ended.
  static constexpr size_t kMaxSubnegotiation = 512;

  bool ReceiveOnce();
  bool FillBuffer(int seconds);
  bool Decode(uint8_t raw, uint8_t& out);
  void NoteOption(uint8_t verb, uint8_t option);
  void QueueOut(uint8_t byte);
  int SendAll(const uint8_t* bytes, size_t count, int seconds);
  bool WaitFor(short events, long long start, int seconds);

  int fd_;
  TelnetBinaryState binary_;
  uint8_t buffer_[kReceiveBufferSize] = {};
  size_t readPos_ = 0;
  size_t endPos_ = 0;
  In inState_ = In::Data;
  uint8_t verb_ = 0;
  size_t subLength_ = 0;
  bool peerClosed_ = false;
  std::vector<uint8_t> gathered_;
};

}  // namespace parlane

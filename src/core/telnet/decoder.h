// The Telnet receive side: a push decoder that takes the received stream in
// blocks of any size and hands its parts to a sink: runs of data bytes,
// commands (NOP, go-ahead, data mark...), option requests (WILL, WONT, DO,
// DONT with their option) and subnegotiations. A command split across two
// blocks is carried over in the decoder, so callers never see halves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "telnet/codes.h"

namespace parlane::telnet {

class DecoderSink {
 public:
  virtual ~DecoderSink() = default;
  // Data bytes. The span always lies inside the block being fed (a doubled
  // 255 comes as its second byte), so a caller may find its offset there.
  // Return false to stop the feed at once: the rest of the block is dropped.
  virtual bool Data(std::span<const uint8_t> run) = 0;
  // A two-byte command other than IAC IAC and the option verbs.
  virtual void Command(uint8_t /*command*/) {}
  // WILL, WONT, DO or DONT and its option.
  virtual void OptionRequest(uint8_t /*verb*/, uint8_t /*option*/) {}
  // IAC SB option payload... IAC SE, with doubled 255s in the payload undone.
  virtual void Subnegotiation(uint8_t /*option*/, std::span<const uint8_t> /*payload*/) {}
};

struct DecoderOptions {
  // Outside binary mode the host sends CR as CR NUL: drop the NUL.
  bool stripNulAfterCr = false;
  // A lone SE byte ends a subnegotiation as IAC SE does (lenient hosts).
  bool loneSeEndsSubnegotiation = false;
  // A subnegotiation longer than this many bytes is taken for garbage and
  // the stream is given back as data; 0 for no bound.
  size_t maxSubnegotiation = 512;
};

class Decoder {
 public:
  enum class State : uint8_t { Data, Command, Option, SubOption, Sub, SubIac };

  explicit Decoder(DecoderOptions options = {}) : options_(options) {}

  // Decodes a whole block.
  void Feed(std::span<const uint8_t> block, DecoderSink& sink);

  // Decodes the command that starts at block[0] (an IAC) or that an earlier
  // block left open, and stops at its end. Returns the bytes taken; the rest
  // of the block is left to the caller. For callers that scan their data
  // themselves and only hand over what begins with IAC.
  size_t FeedCommand(std::span<const uint8_t> block, DecoderSink& sink);

  State CurrentState() const { return state_; }
  bool InCommand() const { return state_ != State::Data; }

  // Whether a CR NUL pair is undone (changes with the host's BINARY answer).
  void SetStripNulAfterCr(bool strip) { options_.stripNulAfterCr = strip; }
  // Drops a half-received command (the input was purged).
  void Reset();

 private:
  // One byte of a command; returns false when the sink asked to stop.
  bool Step(const uint8_t* b, DecoderSink& sink);

  DecoderOptions options_;
  State state_ = State::Data;
  uint8_t verb_ = 0;
  uint8_t subOption_ = 0;
  bool afterCr_ = false;
  std::vector<uint8_t> payload_;
};

}  // namespace parlane::telnet

#include "telnet/decoder.h"

#include <cstring>

namespace parlane::telnet {

void Decoder::Reset() {
  state_ = State::Data;
  afterCr_ = false;
  payload_.clear();
}

bool Decoder::Step(const uint8_t* p, DecoderSink& sink) {
  const uint8_t b = *p;
  switch (state_) {
    case State::Data:
      if (b == kIac) state_ = State::Command;
      return true;
    case State::Command:
      if (b == kIac) {
        state_ = State::Data;
        return sink.Data({p, 1});  // a doubled 255 is one data byte
      }
      if (b >= kWill) {
        verb_ = b;
        state_ = State::Option;
      } else if (b == kSb) {
        payload_.clear();
        state_ = State::SubOption;
      } else {
        state_ = State::Data;
        sink.Command(b);
      }
      return true;
    case State::Option:
      state_ = State::Data;
      sink.OptionRequest(verb_, b);
      return true;
    case State::SubOption:
      subOption_ = b;
      state_ = State::Sub;
      return true;
    case State::Sub:
      if (b == kIac) {
        state_ = State::SubIac;
      } else if (b == kSe && options_.loneSeEndsSubnegotiation) {
        state_ = State::Data;
        sink.Subnegotiation(subOption_, payload_);
      } else if (options_.maxSubnegotiation != 0 && payload_.size() >= options_.maxSubnegotiation) {
        // A subnegotiation that never ends gives the stream back after a while.
        state_ = State::Data;
        payload_.clear();
      } else {
        payload_.push_back(b);
      }
      return true;
    case State::SubIac:
      if (b == kSe) {
        state_ = State::Data;
        sink.Subnegotiation(subOption_, payload_);
        return true;
      }
      if (b == kIac) payload_.push_back(b);
      state_ = State::Sub;
      return true;
  }
  return true;
}

size_t Decoder::FeedCommand(std::span<const uint8_t> block, DecoderSink& sink) {
  size_t i = 0;
  if (state_ == State::Data) {
    if (block.empty() || block[0] != kIac) return 0;
    state_ = State::Command;
    i = 1;
  }
  while (i < block.size() && state_ != State::Data) {
    if (!Step(&block[i++], sink)) return block.size();
  }
  return i;
}

void Decoder::Feed(std::span<const uint8_t> block, DecoderSink& sink) {
  const uint8_t* p = block.data();
  const uint8_t* end = p + block.size();
  while (p < end) {
    if (state_ != State::Data) {
      if (!Step(p++, sink)) return;
      continue;
    }
    if (afterCr_) {
      afterCr_ = false;
      if (*p == kNul) {
        ++p;  // CR NUL outside binary mode is a plain CR
        continue;
      }
    }
    // A run of data up to the next IAC (and, when CR NUL is undone, up to
    // and including the next CR).
    const size_t left = static_cast<size_t>(end - p);
    const auto* iac = static_cast<const uint8_t*>(std::memchr(p, kIac, left));
    const uint8_t* stop = iac != nullptr ? iac : end;
    if (options_.stripNulAfterCr) {
      const auto* cr =
          static_cast<const uint8_t*>(std::memchr(p, kCr, static_cast<size_t>(stop - p)));
      if (cr != nullptr) {
        stop = cr + 1;
        afterCr_ = true;
      }
    }
    if (stop > p && !sink.Data({p, static_cast<size_t>(stop - p)})) return;
    p = stop;
    if (iac != nullptr && p == iac) {
      afterCr_ = false;
      state_ = State::Command;
      ++p;
    }
  }
}

}  // namespace parlane::telnet

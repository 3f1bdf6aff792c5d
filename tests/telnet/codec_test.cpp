// The Telnet decoder and encoder: the same events whatever the block
// boundaries, and the framing rules each way.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "telnet/decoder.h"
#include "telnet/encoder.h"

namespace parlane::telnet {
namespace {

using namespace std::string_literals;

std::span<const uint8_t> B(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// Writes every event as text: data as it came, the rest in brackets.
struct Recorder final : DecoderSink {
  std::string log;
  bool Data(std::span<const uint8_t> run) override {
    log.append(run.begin(), run.end());
    return true;
  }
  void Command(uint8_t c) override { log += "[cmd " + std::to_string(c) + "]"; }
  void OptionRequest(uint8_t verb, uint8_t option) override {
    log += "[opt " + std::to_string(verb) + " " + std::to_string(option) + "]";
  }
  void Subnegotiation(uint8_t option, std::span<const uint8_t> payload) override {
    log +=
        "[sb " + std::to_string(option) + " " + std::string(payload.begin(), payload.end()) + "]";
  }
};

TEST(TelnetDecoder, EventsDoNotDependOnBlockBoundaries) {
  struct Case {
    const char* name;
    DecoderOptions options;
    std::string input;
    std::string events;
  };
  const DecoderOptions link{.stripNulAfterCr = true};
  const DecoderOptions session{.loneSeEndsSubnegotiation = true, .maxSubnegotiation = 0};
  const std::vector<Case> cases = {
      {"plain data", {}, "hello", "hello"},
      {"doubled 255", {}, "a\377\377b", "a\377b"},
      {"option requests", {}, "\377\373\001x\377\375\037", "[opt 251 1]x[opt 253 31]"},
      {"other commands", {}, "a\377\361b\377\371", "a[cmd 241]b[cmd 249]"},
      {"subnegotiation with a doubled 255",
       {},
       "\377\372\030\001a\377\377b\377\360z",
       "[sb 24 \001a\377b]z"},
      {"lone SE is data inside a strict subnegotiation",
       {},
       "\377\372\005x\360y\377\360z",
       "[sb 5 x\360y]z"},
      {"lone SE ends a lenient one", session, "\377\372\005xyz\360b", "[sb 5 xyz]b"},
      {"CR NUL is a CR on the link", link, "a\r\0b\r\n"s, "a\rb\r\n"},
      {"NUL elsewhere stays", link, "a\0b"s, "a\0b"s},
      {"CR NUL kept without the rule", {}, "\r\0"s, "\r\0"s},
  };
  for (const auto& c : cases) {
    for (size_t split = 0; split <= c.input.size(); ++split) {
      SCOPED_TRACE(std::string(c.name) + " split at " + std::to_string(split));
      Decoder decoder(c.options);
      Recorder sink;
      decoder.Feed(B(c.input.substr(0, split)), sink);
      decoder.Feed(B(c.input.substr(split)), sink);
      EXPECT_EQ(sink.log, c.events);
      EXPECT_FALSE(decoder.InCommand());
    }
  }
}

TEST(TelnetDecoder, EndlessSubnegotiationGivesTheStreamBack) {
  Decoder decoder({.maxSubnegotiation = 8});
  Recorder sink;
  decoder.Feed(B("\377\372\030" + std::string(20, 'x') + "ok"), sink);
  EXPECT_FALSE(decoder.InCommand());
  EXPECT_EQ(sink.log.substr(sink.log.size() - 2), "ok");
}

TEST(TelnetDecoder, FeedCommandStopsAtTheCommandsEnd) {
  Decoder decoder;
  Recorder sink;
  const std::string input = "\377\375\030rest";
  EXPECT_EQ(decoder.FeedCommand(B(input.substr(0, 2)), sink), 2u);
  EXPECT_EQ(decoder.CurrentState(), Decoder::State::Option);
  EXPECT_EQ(decoder.FeedCommand(B(input.substr(2)), sink), 1u);
  EXPECT_EQ(sink.log, "[opt 253 24]");
  EXPECT_EQ(decoder.FeedCommand(B("plain"), sink), 0u);  // not a command
}

TEST(TelnetDecoder, SinkCanStopTheFeed) {
  struct Stopper final : DecoderSink {
    std::string seen;
    bool Data(std::span<const uint8_t> run) override {
      seen.append(run.begin(), run.end());
      return false;
    }
  } sink;
  Decoder decoder;
  decoder.Feed(B("ab\377\361cd"), sink);
  EXPECT_EQ(sink.seen, "ab");
}

TEST(TelnetEncoder, Framing) {
  struct Case {
    EncodeRules rules;
    std::string input, wire;
  };
  const std::vector<Case> cases = {
      {{true, false}, "a\377b\r", "a\377\377b\r"},
      {{true, true}, "\r\377", "\r\0\377\377"s},
      {{false, true}, "x\r\n\377", "x\r\0\n\377"s},
      {{false, false}, "\r\377", "\r\377"},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> out;
    Encode(B(c.input), c.rules, out);
    EXPECT_EQ(std::string(out.begin(), out.end()), c.wire);
  }
}

}  // namespace
}  // namespace parlane::telnet

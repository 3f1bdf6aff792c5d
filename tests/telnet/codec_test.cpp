// The Telnet decoder and encoder: the same events whatever the block
// boundaries, and the framing rules each way.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "telnet/decoder.h"
#include "telnet/encoder.h"

namespace parlane::telnet {
namespace {

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
      {"doubled 255",
       {},
       "a\xff\xff"
       "b",
       "a\xff"
       "b"},
      {"option requests", {}, "\xff\xfb\x01x\xff\xfd\x1f", "[opt 251 1]x[opt 253 31]"},
      {"other commands",
       {},
       "a\xff\xf1"
       "b\xff\xf9",
       "a[cmd 241]b[cmd 249]"},
      {"subnegotiation with a doubled 255",
       {},
       "\xff\xfa\x18\x01"
       "a\xff\xff"
       "b\xff\xf0z",
       "[sb 24 \x01"
       "a\xff"
       "b]z"},
      {"lone SE is data inside a strict subnegotiation",
       {},
       "\xff\xfa\x05x\xf0y\xff\xf0z",
       "[sb 5 x\xf0y]z"},
      {"lone SE ends a lenient one", session,
       "\xff\xfa\x05xyz\xf0"
       "b",
       "[sb 5 xyz]b"},
      {"CR NUL is a CR on the link", link, "a\r" + std::string(1, '\0') + "b\r\n", "a\rb\r\n"},
      {"NUL elsewhere stays", link, std::string("a\0b", 3), std::string("a\0b", 3)},
      {"CR NUL kept without the rule", {}, std::string("\r\0", 2), std::string("\r\0", 2)},
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
  decoder.Feed(B("\xff\xfa\x18" + std::string(20, 'x') + "ok"), sink);
  EXPECT_FALSE(decoder.InCommand());
  EXPECT_EQ(sink.log.substr(sink.log.size() - 2), "ok");
}

TEST(TelnetDecoder, FeedCommandStopsAtTheCommandsEnd) {
  Decoder decoder;
  Recorder sink;
  const std::string input = "\xff\xfd\x18rest";
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
  decoder.Feed(B("ab\xff\xf1"
                 "cd"),
               sink);
  EXPECT_EQ(sink.seen, "ab");
}

TEST(TelnetEncoder, Framing) {
  struct Case {
    EncodeRules rules;
    std::string input, wire;
  };
  const std::vector<Case> cases = {
      {{true, false},
       "a\xff"
       "b\r",
       "a\xff\xff"
       "b\r"},
      {{true, true}, "\r\xff", std::string("\r\0\xff\xff", 4)},
      {{false, true}, "x\r\n\xff", std::string("x\r\0\n\xff", 5)},
      {{false, false}, "\r\xff", "\r\xff"},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> out;
    Encode(B(c.input), c.rules, out);
    EXPECT_EQ(std::string(out.begin(), out.end()), c.wire);
  }
}

}  // namespace
}  // namespace parlane::telnet

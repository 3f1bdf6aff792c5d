// The Telnet decoder on arbitrary input: whatever the options and wherever
// the blocks are cut, it makes the same events, its data runs lie inside
// the block being fed, and the data never outgrows the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "telnet/decoder.h"

namespace {

using namespace parlane::telnet;

struct Log final : DecoderSink {
  std::span<const uint8_t> block;
  std::string events;
  size_t dataBytes = 0;
  bool Data(std::span<const uint8_t> run) override {
    if (run.data() < block.data() || run.data() + run.size() > block.data() + block.size())
      std::abort();
    events.append(run.begin(), run.end());
    dataBytes += run.size();
    return true;
  }
  void Command(uint8_t c) override { events += "\x01" + std::string(1, static_cast<char>(c)); }
  void OptionRequest(uint8_t v, uint8_t o) override {
    events += "\x02" + std::string(1, static_cast<char>(v)) + static_cast<char>(o);
  }
  void Subnegotiation(uint8_t o, std::span<const uint8_t> p) override {
    events +=
        "\x03" + std::string(1, static_cast<char>(o)) + std::string(p.begin(), p.end()) + "\x04";
  }
};

std::string Run(const DecoderOptions& options, std::span<const uint8_t> input, size_t cut) {
  Decoder decoder(options);
  Log log;
  for (std::span<const uint8_t> block : {input.first(cut), input.subspan(cut)}) {
    log.block = block;
    decoder.Feed(block, log);
  }
  if (log.dataBytes > input.size()) std::abort();
  return log.events;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  DecoderOptions options;
  options.stripNulAfterCr = data[0] & 1;
  options.loneSeEndsSubnegotiation = data[0] & 2;
  options.maxSubnegotiation = (data[0] & 4) ? 0 : (data[0] >> 3) + 1;
  const std::span<const uint8_t> input(data + 2, size - 2);
  const size_t cut = input.empty() ? 0 : data[1] % (input.size() + 1);
  if (Run(options, input, cut) != Run(options, input, 0)) std::abort();
  return 0;
}

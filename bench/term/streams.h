// The generated streams of the terminal benchmark.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "config/terminal_options.h"

namespace parlane::bench {

struct Stream {
  std::string name;
  Emulation emulation;  // the emulation Parlane interprets it with
  std::string bytes;
};

// Seven streams of at least `minBytes` each (only stream `only` is filled
// when it is not negative).
std::vector<Stream> MakeStreams(size_t minBytes, long only = -1);

}  // namespace parlane::bench

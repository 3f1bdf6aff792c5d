#include "config/terminal_options.h"

#include "config/record_layout.h"

namespace parlane {

namespace {

const RecordField& Layout() {
  static const RecordField layout = TerminalOptionsField("", 0, nullptr);
  return layout;
}

}  // namespace

TerminalOptions TerminalOptions::Decode(std::span<const uint8_t> b, size_t off) {
  TerminalOptions t;
  DecodeFields(Layout(), b, &t, off);
  return t;
}

void TerminalOptions::Encode(std::span<uint8_t> b, size_t off) const {
  EncodeFields(Layout(), this, b, off);
}

}  // namespace parlane

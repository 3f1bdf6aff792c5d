// Writing PORTS.CFG: one COM name mapped to a device, the rest of the file
// (comments, other ports, lines the reader skips) kept as it was.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace parlane {

// `text` with COMn (`portIndex` 0 to 3) mapped to `device`: the first line
// that maps that port is replaced, later ones for the same port are dropped,
// and a new line is appended when none maps it.
std::string SetPortMapping(std::string_view text, uint32_t portIndex, std::string_view device);

// Reads `file` (missing: empty), maps the port and writes the file back in
// one piece (a temporary file renamed over it). False when it cannot be
// written; the old file is then left alone.
bool SavePortMapping(const std::filesystem::path& file, uint32_t portIndex,
                     std::string_view device);

}  // namespace parlane

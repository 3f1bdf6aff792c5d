#include "config/port_map_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "config/program_dir.h"

namespace parlane {

namespace {

constexpr size_t kPortCount = 4;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// The port a line maps, by the reader's rules ("COMn=device", name case
// ignored); empty for comments, blank lines and anything else.
std::optional<uint32_t> MappedPort(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() == '#' || line.front() == ';') return std::nullopt;
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  const std::string_view name = Trim(line.substr(0, eq));
  if (Trim(line.substr(eq + 1)).empty() || name.size() != 4) return std::nullopt;
  if (std::toupper(static_cast<unsigned char>(name[0])) != 'C' ||
      std::toupper(static_cast<unsigned char>(name[1])) != 'O' ||
      std::toupper(static_cast<unsigned char>(name[2])) != 'M' || name[3] < '1' ||
      name[3] > '0' + static_cast<int>(kPortCount)) {
    return std::nullopt;
  }
  return static_cast<uint32_t>(name[3] - '1');
}

}  // namespace

std::string SetPortMapping(std::string_view text, uint32_t portIndex, std::string_view device) {
  const std::string mapping = "COM" + std::to_string(portIndex + 1) + "=" + std::string(device);
  std::string out;
  bool written = false;
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    const std::string_view line = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    if (MappedPort(line) == portIndex) {
      if (written) continue;
      written = true;
      out += mapping;
    } else {
      out += line;
    }
    out += '\n';
  }
  if (!written) out += mapping + '\n';
  return out;
}

bool SavePortMapping(const std::filesystem::path& file, uint32_t portIndex,
                     std::string_view device) {
  if (portIndex >= kPortCount) return false;
  std::string text;
  {
    std::ifstream in(file, std::ios::binary);
    if (in) {
      std::ostringstream s;
      s << in.rdbuf();
      text = s.str();
    }
  }
  const std::string updated = SetPortMapping(text, portIndex, device);
  std::filesystem::path temp = file;
  temp += ".new";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < updated.size()) {
    const ssize_t n = ::write(fd, updated.data() + done, updated.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool ok = done == updated.size() && ::fsync(fd) == 0;
  ::close(fd);
  if (!ok || std::rename(temp.c_str(), file.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace parlane

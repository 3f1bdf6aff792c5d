#include "config/program_dir.h"

#include <cctype>
#include <cstdlib>
#include <sys/stat.h>

#include "config/binary_file.h"

namespace parlane {
namespace {

// The program's directory holds passwords: only its owner may enter it.
constexpr std::filesystem::perms kDirPerms = std::filesystem::perms::owner_all;
// PORTS.CFG is a few lines; anything far larger is not a port map.
constexpr size_t kPortsFileLimit = 64 * 1024;

std::optional<std::string> Env(const char* name) {
  const char* v = std::getenv(name);
  if (v == nullptr) return std::nullopt;
  return std::string(v);
}

bool Set(const std::optional<std::string>& v) { return v && !v->empty(); }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// "COMn" with n 1 to 4, any case: the port index.
std::optional<size_t> PortIndex(std::string_view name) {
  if (name.size() != 4) return std::nullopt;
  if (std::toupper(static_cast<unsigned char>(name[0])) != 'C' ||
      std::toupper(static_cast<unsigned char>(name[1])) != 'O' ||
      std::toupper(static_cast<unsigned char>(name[2])) != 'M')
    return std::nullopt;
  if (name[3] < '1' || name[3] > '4') return std::nullopt;
  return static_cast<size_t>(name[3] - '1');
}

}  // namespace

ProgramDirSources ProgramDirSources::FromEnvironment() {
  ProgramDirSources s;
  s.ParlaneHome = Env("PARLANE_HOME");
  s.XdgConfigHome = Env("XDG_CONFIG_HOME");
  s.Home = Env("HOME");
  return s;
}

std::optional<std::filesystem::path> ResolveProgramDir(const ProgramDirSources& s) {
  if (Set(s.HomeOption)) return std::filesystem::path(*s.HomeOption);
  if (Set(s.ParlaneHome)) return std::filesystem::path(*s.ParlaneHome);
  if (Set(s.XdgConfigHome)) return std::filesystem::path(*s.XdgConfigHome) / "parlane";
  if (Set(s.Home)) return std::filesystem::path(*s.Home) / ".config" / "parlane";
  return std::nullopt;
}

std::optional<ProgramDir> PrepareProgramDir(const std::filesystem::path& dir, std::error_code& ec) {
  namespace fs = std::filesystem;
  ec.clear();
  if (fs::is_directory(dir, ec)) return ProgramDir{dir, false};
  if (fs::exists(dir, ec)) {
    ec = std::make_error_code(std::errc::not_a_directory);
    return std::nullopt;
  }
  ec.clear();
  if (!fs::create_directories(dir, ec) && ec) return std::nullopt;
  fs::permissions(dir, kDirPerms, fs::perm_options::replace, ec);
  if (ec) return std::nullopt;
  return ProgramDir{dir, true};
}

std::optional<std::string> TakeHomeOption(std::vector<std::string>& args) {
  constexpr std::string_view kOpt = "--home";
  for (size_t i = 0; i < args.size(); ++i) {
    std::string_view a = args[i];
    if (a == kOpt && i + 1 < args.size()) {
      std::string dir = args[i + 1];
      args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
      return dir;
    }
    if (a.size() > kOpt.size() + 1 && a.substr(0, kOpt.size()) == kOpt && a[kOpt.size()] == '=') {
      std::string dir(a.substr(kOpt.size() + 1));
      args.erase(args.begin() + static_cast<long>(i));
      return dir;
    }
  }
  return std::nullopt;
}

PortMap DefaultPortMap() { return {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3"}; }

PortMap ParsePortMap(std::string_view text) {
  PortMap map = DefaultPortMap();
  while (!text.empty()) {
    auto nl = text.find('\n');
    std::string_view line = Trim(text.substr(0, nl));
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    auto eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    auto index = PortIndex(Trim(line.substr(0, eq)));
    std::string_view device = Trim(line.substr(eq + 1));
    if (index && !device.empty()) map[*index] = std::string(device);
  }
  return map;
}

PortMap LoadPortMap(const std::filesystem::path& file) {
  std::vector<uint8_t> bytes;
  if (ReadWhole(file, bytes, kPortsFileLimit).status != ReadStatus::Ok) return DefaultPortMap();
  return ParsePortMap(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace parlane

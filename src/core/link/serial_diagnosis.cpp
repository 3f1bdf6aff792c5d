#include "link/serial_diagnosis.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace parlane {

namespace fs = std::filesystem;

namespace {

bool ProcessAlive(const SerialSystemPaths& paths, int pid) {
  std::error_code ec;
  return pid > 0 && fs::exists(paths.proc / std::to_string(pid), ec);
}

std::string ProcessName(const SerialSystemPaths& paths, int pid) {
  std::ifstream in(paths.proc / std::to_string(pid) / "comm");
  std::string name;
  std::getline(in, name);
  return name;
}

// A UUCP lock file holds the owner's process id as ten characters of text
// (the usual form) or as a binary 4-byte number (an older form).
int LockFilePid(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return 0;
  std::array<char, 32> buf{};
  in.read(buf.data(), buf.size() - 1);
  const auto n = static_cast<size_t>(in.gcount());
  if (n == 4 && !std::isdigit(static_cast<unsigned char>(buf[0])) && buf[0] != ' ') {
    int32_t pid = 0;
    std::memcpy(&pid, buf.data(), sizeof pid);
    return pid;
  }
  return std::atoi(buf.data());
}

std::string Canonical(const std::string& device) {
  std::error_code ec;
  const fs::path p = fs::canonical(device, ec);
  return ec ? device : p.string();
}

DeviceHolder HolderFromProc(const std::string& target, const SerialSystemPaths& paths) {
  std::error_code ec;
  const int self = static_cast<int>(getpid());
  for (const fs::directory_entry& proc : fs::directory_iterator(paths.proc, ec)) {
    const std::string name = proc.path().filename().string();
    if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) continue;
    const int pid = std::atoi(name.c_str());
    if (pid == self) continue;
    std::error_code fdError;
    for (const fs::directory_entry& fd : fs::directory_iterator(proc.path() / "fd", fdError)) {
      std::error_code linkError;
      const fs::path link = fs::read_symlink(fd.path(), linkError);
      if (!linkError && link == target) return {pid, ProcessName(paths, pid)};
    }
  }
  return {};
}

std::string BusyText(const std::string& device, const SerialSystemPaths& paths) {
  const DeviceHolder holder = FindDeviceHolder(device, paths);
  if (holder.pid == 0) {
    return device +
           " is in use by another program. Close that program (or its session on "
           "this port) and try again.";
  }
  const std::string who =
      holder.name.empty() ? "process " + std::to_string(holder.pid)
                          : "\"" + holder.name + "\" (process " + std::to_string(holder.pid) + ")";
  return device + " is in use by " + who + ". Close that program and try again.";
}

std::string PermissionText(const std::string& device) {
  std::string group = "dialout";
  struct stat st {};
  if (stat(device.c_str(), &st) == 0) {
    if (const struct group* g = getgrgid(st.st_gid); g != nullptr && g->gr_gid != 0)
      group = g->gr_name;
  }
  return "You are not allowed to use " + device + ": it belongs to the group \"" + group +
         "\", and you are not a member. Add yourself with\n    sudo usermod -aG " + group +
         " $USER\nthen log out and in again.";
}

std::string MissingText(const std::string& device) {
  return "There is no device " + device +
         ". The adapter may be unplugged, or PORTS.CFG maps this port to the wrong device "
         "(Setup, Modem Hardware, Devices...).";
}

// Natural order: ttyS2 before ttyS10.
bool NaturalLess(const std::string& a, const std::string& b) {
  const auto split = [](const std::string& s) {
    size_t i = s.size();
    while (i > 0 && std::isdigit(static_cast<unsigned char>(s[i - 1]))) --i;
    const std::string digits = s.substr(i);
    return std::pair(s.substr(0, i), digits.empty() ? -1L : std::atol(digits.c_str()));
  };
  return split(a) < split(b);
}

}  // namespace

DeviceHolder FindDeviceHolder(const std::string& device, const SerialSystemPaths& paths) {
  const std::string target = Canonical(device);
  const std::string base = fs::path(target).filename().string();
  for (const fs::path& dir : paths.lockDirs) {
    const int pid = LockFilePid(dir / ("LCK.." + base));
    if (pid != static_cast<int>(getpid()) && ProcessAlive(paths, pid)) {
      return {pid, ProcessName(paths, pid)};
    }
  }
  return HolderFromProc(target, paths);
}

std::string ExplainSerialOpenFailure(const std::string& device, const SerialSystemPaths& paths) {
  if (device.empty()) return "No device is set for this port in PORTS.CFG.";
  struct stat st {};
  if (stat(device.c_str(), &st) != 0) {
    return errno == EACCES ? PermissionText(device) : MissingText(device);
  }
  if (S_ISDIR(st.st_mode)) return device + " is a directory, not a serial device. Check PORTS.CFG.";
  const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    switch (errno) {
      case EACCES:
      case EPERM: return PermissionText(device);
      case EBUSY: return BusyText(device, paths);
      case ENOENT:
      case ENXIO:
      case ENODEV: return MissingText(device);
      default: return "Opening " + device + " failed: " + std::strerror(errno) + ".";
    }
  }
  std::string text;
  if (!isatty(fd)) {
    text = device + " is not a serial device (it is not a terminal). Check PORTS.CFG.";
  } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    text = BusyText(device, paths);
  }
  close(fd);
  return text;
}

std::vector<std::string> ListSerialDevices(const fs::path& dev) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(dev, ec)) {
    const std::string name = e.path().filename().string();
    for (const char* prefix : {"ttyS", "ttyUSB", "ttyACM"}) {
      const size_t len = std::strlen(prefix);
      if (name.size() > len && name.compare(0, len, prefix) == 0 &&
          std::all_of(name.begin() + static_cast<long>(len), name.end(), ::isdigit)) {
        found.push_back(e.path().string());
      }
    }
  }
  std::sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) {
    // ttyS first, then ttyUSB, then ttyACM, each in natural order.
    const auto rank = [](const std::string& s) {
      return s.find("ttyUSB") != std::string::npos   ? 1
             : s.find("ttyACM") != std::string::npos ? 2
                                                     : 0;
    };
    if (rank(a) != rank(b)) return rank(a) < rank(b);
    return NaturalLess(a, b);
  });
  std::vector<std::string> byId;
  for (const fs::directory_entry& e : fs::directory_iterator(dev / "serial" / "by-id", ec)) {
    byId.push_back(e.path().string());
  }
  std::sort(byId.begin(), byId.end());
  found.insert(found.end(), byId.begin(), byId.end());
  return found;
}

}  // namespace parlane

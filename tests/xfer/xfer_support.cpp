#include "xfer_support.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace parlane::test {

bool RecordingDisplay::SawStatus(const std::string& s) const {
  return std::find(statuses.begin(), statuses.end(), s) != statuses.end();
}

PipeLink::PipeLink(std::shared_ptr<Channel> in, std::shared_ptr<Channel> out, int msPerSecond,
                   Faults faults)
    : in_(std::move(in)),
      out_(std::move(out)),
      msPerSecond_(msPerSecond),
      faults_(faults),
      random_(faults.seed) {}

PipeLink::~PipeLink() {
  std::lock_guard lock(out_->mutex);
  out_->closed = true;
  out_->ready.notify_all();
}

int PipeLink::ReadByte(int seconds) {
  std::unique_lock lock(in_->mutex);
  const auto limit = std::chrono::milliseconds(static_cast<long long>(seconds) * msPerSecond_);
  if (!in_->ready.wait_for(lock, limit, [&] { return !in_->bytes.empty() || in_->closed; }))
    return -1;
  if (in_->bytes.empty()) return -1;
  const uint8_t b = in_->bytes.front();
  in_->bytes.pop_front();
  return b;
}

int PipeLink::ReadAnyByte(uint8_t* place, int seconds) {
  const int c = ReadByte(seconds);
  if (c < 0) return -1;
  *place = static_cast<uint8_t>(c);
  return 0;
}

int PipeLink::InputCount() {
  std::lock_guard lock(in_->mutex);
  return static_cast<int>(in_->bytes.size());
}

int PipeLink::WaitForInput(int seconds) {
  std::unique_lock lock(in_->mutex);
  const auto limit = std::chrono::milliseconds(static_cast<long long>(seconds) * msPerSecond_);
  return in_->ready.wait_for(lock, limit, [&] { return !in_->bytes.empty() || in_->closed; }) &&
         !in_->bytes.empty();
}

int PipeLink::WriteBlock(const uint8_t* bytes, size_t count, int) {
  std::uniform_real_distribution<double> chance(0.0, 1.0);
  std::lock_guard lock(out_->mutex);
  for (size_t i = 0; i < count; ++i) {
    uint8_t b = bytes[i];
    const size_t at = count_++;
    if (at >= faults_.clean && at < faults_.cleanFrom) {
      const double r = chance(random_);
      if (r < faults_.drop) continue;
      if (r < faults_.drop + faults_.corrupt) b ^= static_cast<uint8_t>(1 + random_() % 255);
      if (r >= 1.0 - faults_.duplicate) out_->bytes.push_back(b);
    }
    out_->bytes.push_back(b);
  }
  out_->ready.notify_all();
  return 0;
}

int PipeLink::PurgeInput() {
  std::lock_guard lock(in_->mutex);
  in_->bytes.clear();
  return 0;
}

LinkPair MakeLinkPair(int msPerSecond, Faults aFaults, Faults bFaults) {
  auto ab = std::make_shared<Channel>();
  auto ba = std::make_shared<Channel>();
  LinkPair p;
  p.a = std::make_unique<PipeLink>(ba, ab, msPerSecond, aFaults);
  p.b = std::make_unique<PipeLink>(ab, ba, msPerSecond, bFaults);
  return p;
}

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "parlane-xfer-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 g(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(g());
  return v;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& data) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::string XferTool() {
  return std::string(PARLANE_BUILD_DIR) + "/src/cli/parlane-xfer/parlane-xfer";
}

pid_t Spawn(const std::vector<std::string>& argv, int ioFd, const std::string& cwd,
            const std::string& logFile) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t pid = fork();
  if (pid != 0) return pid;
  const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  dup2(ioFd, 0);
  dup2(ioFd, 1);
  if (log >= 0) dup2(log, 2);
  for (int fd = 3; fd < 1024; ++fd) close(fd);
  setsid();
  if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
  execvp(args[0], args.data());
  _exit(127);
}

int WaitChild(pid_t pid, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  for (;;) {
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunProgram(const std::vector<std::string>& argv, const std::string& logFile) {
  const int devnull = open("/dev/null", O_RDWR | O_CLOEXEC);
  const pid_t pid = Spawn(argv, devnull, "", logFile);
  close(devnull);
  return WaitChild(pid, 60);
}

std::string FindProgram(const std::string& name) {
  for (const char* dir : {"/usr/bin", "/usr/sbin", "/bin", "/usr/local/bin"}) {
    const std::string p = std::string(dir) + "/" + name;
    if (access(p.c_str(), X_OK) == 0) return p;
  }
  return {};
}

}  // namespace parlane::test

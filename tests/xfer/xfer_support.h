// Shared pieces of the transfer tests: a recording display, an in-memory link
// pair with scaled time and fault injection, files and child processes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "xfer/transfer_display.h"
#include "xfer/transfer_link.h"

namespace parlane::test {

class RecordingDisplay : public TransferDisplay {
 public:
  void SetCaption(std::string_view) override {}
  void SetField(TransferField f, std::string_view text) override {
    std::lock_guard lock(mutex);
    fields[f].assign(text);
    if (f == TransferField::Status) statuses.emplace_back(text);
    if (onField) onField(f, text);
  }
  void SetGauge(int p) override { gauges.push_back(p); }
  bool SawStatus(const std::string& s) const;
  std::string Field(TransferField f) const {
    auto it = fields.find(f);
    return it == fields.end() ? std::string() : it->second;
  }

  std::mutex mutex;
  std::map<TransferField, std::string> fields;
  std::vector<std::string> statuses;
  std::vector<int> gauges;
  std::function<void(TransferField, std::string_view)> onField;
};

// Faults applied to the bytes one end writes, after the first `clean` bytes
// and before byte `cleanFrom`.
struct Faults {
  double corrupt = 0;
  double drop = 0;
  double duplicate = 0;
  size_t clean = 0;
  uint32_t seed = 1;
  size_t cleanFrom = SIZE_MAX;
};

struct Channel {
  std::mutex mutex;
  std::condition_variable ready;
  std::deque<uint8_t> bytes;
  bool closed = false;
};

// One end of an in-memory link. A second of the protocols' time limits
// lasts `msPerSecond` milliseconds, so that time-outs cost little.
class PipeLink final : public TransferLink {
 public:
  PipeLink(std::shared_ptr<Channel> in, std::shared_ptr<Channel> out, int msPerSecond,
           Faults faults = {});
  ~PipeLink() override;

  int ReadByte(int seconds) override;
  int ReadAnyByte(uint8_t* place, int seconds) override;
  int InputCount() override;
  int WaitForInput(int seconds) override;
  int WriteBlock(const uint8_t* bytes, size_t count, int seconds) override;
  int WriteByte(uint8_t byte, int seconds) override { return WriteBlock(&byte, 1, seconds); }
  int OutputCount() override { return 0; }
  int SendBreak(int) override { return 0; }
  int PurgeInput() override;
  int PurgeOutput() override { return 0; }

 private:
  std::shared_ptr<Channel> in_;
  std::shared_ptr<Channel> out_;
  int msPerSecond_;
  Faults faults_;
  std::mt19937 random_;
  size_t count_ = 0;
};

// Two connected ends.
struct LinkPair {
  std::unique_ptr<PipeLink> a;
  std::unique_ptr<PipeLink> b;
};
LinkPair MakeLinkPair(int msPerSecond = 20, Faults aFaults = {}, Faults bFaults = {});

// A fresh directory under the system's temporary directory, removed at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed);
void WriteFile(const std::string& path, const std::vector<uint8_t>& data);
std::vector<uint8_t> ReadFile(const std::string& path);
inline std::string Slurp(const std::string& path) {
  const auto bytes = ReadFile(path);
  return {bytes.begin(), bytes.end()};
}
bool FileExists(const std::string& path);

// The parlane-xfer program of this build.
std::string XferTool();

// A child process with the given descriptor as standard input and output
// and its standard error in `logFile`; -1 when it could not start.
pid_t Spawn(const std::vector<std::string>& argv, int ioFd, const std::string& cwd,
            const std::string& logFile);
// Waits for the child up to `seconds`, killing it after that; returns its
// exit status, or -1 when it had to be killed or died of a signal.
int WaitChild(pid_t pid, int seconds);
// Runs a program with /dev/null as its input and output, its standard error
// in `logFile`, for at most a minute; its exit status as WaitChild gives it.
int RunProgram(const std::vector<std::string>& argv, const std::string& logFile);
// Path of a program if it is on the PATH, else empty.
std::string FindProgram(const std::string& name);

}  // namespace parlane::test

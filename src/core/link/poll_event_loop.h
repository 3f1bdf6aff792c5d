// An EventLoop on poll(2), for the command-line tools and the tests.
#pragma once

#include <poll.h>

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "link/event_loop.h"

namespace parlane {

class PollEventLoop final : public EventLoop {
 public:
  PollEventLoop();
  ~PollEventLoop() override;
  PollEventLoop(const PollEventLoop&) = delete;
  PollEventLoop& operator=(const PollEventLoop&) = delete;

  void Watch(int fd, unsigned events, IoCallback callback) override;
  void Unwatch(int fd) override;
  void Post(std::function<void()> fn) override;
  TimerId StartTimer(std::chrono::milliseconds period, bool repeat,
                     std::function<void()> fn) override;
  void StopTimer(TimerId id) override;

  // Waits at most `timeout` for something to happen and dispatches what is
  // ready: posted functions, due timers, ready descriptors. Returns false
  // when nothing happened within the time.
  bool RunOnce(std::chrono::milliseconds timeout);
  // Runs until `done` returns true (checked after every round) or `timeout`
  // has passed; returns the last value of `done`.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  // Runs until Quit() is called.
  void Run();
  void Quit() { quit_ = true; }

  size_t WatchedCount() const { return watches_.size(); }

 private:
  struct WatchEntry {
    unsigned events = kIoNone;
    IoCallback callback;
    uint64_t generation = 0;
  };
  struct Timer {
    std::chrono::steady_clock::time_point due;
    std::chrono::milliseconds period;
    bool repeat = false;
    std::function<void()> fn;
  };

  int PollTimeoutMs(std::chrono::milliseconds limit) const;
  bool RunPosted();
  bool RunDueTimers();
  bool DispatchReady(const std::vector<struct pollfd>& fds);
  void DrainWakeup();

  std::map<int, WatchEntry> watches_;
  std::map<TimerId, Timer> timers_;
  TimerId nextTimer_ = 1;
  uint64_t generation_ = 0;
  bool quit_ = false;

  int wakeRead_ = -1;  // self-pipe: Post from another thread wakes poll
  int wakeWrite_ = -1;
  std::mutex postedMutex_;
  std::vector<std::function<void()>> posted_;
};

}  // namespace parlane

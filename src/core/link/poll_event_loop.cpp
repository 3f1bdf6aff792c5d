#include "link/poll_event_loop.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace parlane {

namespace {

using Clock = std::chrono::steady_clock;

void SetNonBlockingCloExec(int fd) {
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  fcntl(fd, F_SETFD, FD_CLOEXEC);
}

}  // namespace

PollEventLoop::PollEventLoop() {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("PollEventLoop: pipe failed");
  wakeRead_ = fds[0];
  wakeWrite_ = fds[1];
  SetNonBlockingCloExec(wakeRead_);
  SetNonBlockingCloExec(wakeWrite_);
}

PollEventLoop::~PollEventLoop() {
  close(wakeRead_);
  close(wakeWrite_);
}

void PollEventLoop::Watch(int fd, unsigned events, IoCallback callback) {
  if (events == kIoNone) {
    Unwatch(fd);
    return;
  }
  watches_[fd] = WatchEntry{events, std::move(callback), ++generation_};
}

void PollEventLoop::Unwatch(int fd) { watches_.erase(fd); }

void PollEventLoop::Post(std::function<void()> fn) {
  {
    std::lock_guard lock(postedMutex_);
    posted_.push_back(std::move(fn));
  }
  const char one = 1;
  // A full pipe already guarantees a wake-up, so a failed write is harmless.
  [[maybe_unused]] auto n = write(wakeWrite_, &one, 1);
}

EventLoop::TimerId PollEventLoop::StartTimer(std::chrono::milliseconds period, bool repeat,
                                             std::function<void()> fn) {
  const TimerId id = nextTimer_++;
  timers_[id] = Timer{Clock::now() + period, period, repeat, std::move(fn)};
  return id;
}

void PollEventLoop::StopTimer(TimerId id) { timers_.erase(id); }

int PollEventLoop::PollTimeoutMs(std::chrono::milliseconds limit) const {
  auto wait = limit;
  const auto now = Clock::now();
  for (const auto& [id, timer] : timers_) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(timer.due - now);
    wait = std::min(wait, std::max(left, std::chrono::milliseconds(0)));
  }
  return static_cast<int>(std::max<long long>(wait.count(), 0));
}

void PollEventLoop::DrainWakeup() {
  char buf[64];
  while (read(wakeRead_, buf, sizeof buf) > 0) {
  }
}

bool PollEventLoop::RunPosted() {
  std::vector<std::function<void()>> batch;
  {
    std::lock_guard lock(postedMutex_);
    batch.swap(posted_);
  }
  for (auto& fn : batch) fn();
  return !batch.empty();
}

bool PollEventLoop::RunDueTimers() {
  const auto now = Clock::now();
  std::vector<TimerId> due;
  for (const auto& [id, timer] : timers_) {
    if (timer.due <= now) due.push_back(id);
  }
  for (TimerId id : due) {
    auto it = timers_.find(id);
    if (it == timers_.end()) continue;  // stopped by an earlier timer
    auto fn = it->second.fn;            // the timer may stop itself while running
    if (it->second.repeat) {
      it->second.due = now + it->second.period;
    } else {
      timers_.erase(it);
    }
    fn();
  }
  return !due.empty();
}

// Calls the watchers of the descriptors poll found ready. A callback may
// change any registration; a descriptor is only called while the
// registration that was polled is still in place.
bool PollEventLoop::DispatchReady(const std::vector<pollfd>& fds) {
  struct Ready {
    int fd;
    uint64_t generation;
    unsigned events;
    bool invalid;
  };
  std::vector<Ready> ready;
  for (const auto& p : fds) {
    if (p.fd == wakeRead_ || p.revents == 0) continue;
    const auto it = watches_.find(p.fd);
    if (it == watches_.end()) continue;
    // A hang-up or an error counts as both: the reader finds the end and a
    // connect in progress finds its result.
    const bool trouble = (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
    unsigned bits = kIoNone;
    if ((p.revents & POLLIN) || trouble) bits |= kIoRead;
    if ((p.revents & POLLOUT) || trouble) bits |= kIoWrite;
    ready.push_back(
        {p.fd, it->second.generation, bits & it->second.events, (p.revents & POLLNVAL) != 0});
  }
  for (const auto& r : ready) {
    const auto it = watches_.find(r.fd);
    if (it == watches_.end() || it->second.generation != r.generation) continue;
    if (r.invalid) {
      watches_.erase(it);  // a descriptor closed while watched: stop polling it
      continue;
    }
    if (r.events == kIoNone) continue;
    const auto callback = it->second.callback;  // the callback may unwatch itself
    if (callback) callback(r.events);
  }
  return !ready.empty();
}

bool PollEventLoop::RunOnce(std::chrono::milliseconds timeout) {
  std::vector<pollfd> fds;
  fds.push_back(pollfd{wakeRead_, POLLIN, 0});
  for (const auto& [fd, entry] : watches_) {
    short ev = 0;
    if (entry.events & kIoRead) ev |= POLLIN;
    if (entry.events & kIoWrite) ev |= POLLOUT;
    fds.push_back(pollfd{fd, ev, 0});
  }
  bool pending;
  {
    std::lock_guard lock(postedMutex_);
    pending = !posted_.empty();
  }
  const int wait = pending ? 0 : PollTimeoutMs(timeout);
  const int n = poll(fds.data(), fds.size(), wait);
  if (n < 0 && errno != EINTR) return false;
  if (n > 0 && fds[0].revents) DrainWakeup();
  bool any = RunPosted();
  any |= RunDueTimers();
  if (n > 0) any |= DispatchReady(fds);
  return any;
}

bool PollEventLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = Clock::now() + timeout;
  while (!done()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    if (left.count() <= 0) return done();
    RunOnce(std::min(left, std::chrono::milliseconds(100)));
  }
  return true;
}

void PollEventLoop::Run() {
  quit_ = false;
  while (!quit_) RunOnce(std::chrono::milliseconds(1000));
}

}  // namespace parlane

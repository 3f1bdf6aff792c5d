// The event loop the links run on. Sockets and serial ports register their
// descriptors here; the GUI binds this interface to its own notifiers and
// timers, tools and tests use PollEventLoop.
//
// Every callback runs on the loop's thread. A callback may watch, unwatch,
// post, start and stop timers, and destroy the object that registered it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace parlane {

// Bits of the readiness a descriptor is watched for and reported with.
enum IoEvent : unsigned {
  kIoNone = 0,
  kIoRead = 1,   // readable, or the peer hung up, or an error is pending
  kIoWrite = 2,  // writable (a non-blocking connect has finished, well or not)
};

class EventLoop {
 public:
  using IoCallback = std::function<void(unsigned ioEvents)>;
  using TimerId = uint64_t;

  virtual ~EventLoop() = default;

  // Watches `fd` for the IoEvent bits in `events`, replacing any earlier
  // registration of the same descriptor. kIoNone is the same as Unwatch.
  virtual void Watch(int fd, unsigned events, IoCallback callback) = 0;
  // Stops watching `fd`; unknown descriptors are ignored.
  virtual void Unwatch(int fd) = 0;

  // Runs `fn` on the loop's thread soon. The only call that may be made from
  // another thread.
  virtual void Post(std::function<void()> fn) = 0;

  // Starts a timer; a single-shot timer stops itself after firing.
  virtual TimerId StartTimer(std::chrono::milliseconds period, bool repeat,
                             std::function<void()> fn) = 0;
  // Stops a timer; stopping an unknown or finished timer does nothing.
  virtual void StopTimer(TimerId id) = 0;
};

}  // namespace parlane

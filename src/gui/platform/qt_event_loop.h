// The links' EventLoop on Qt: descriptors through QSocketNotifier, timers
// through QTimer, posted functions through queued calls on the GUI thread
// (the name lookups of the Telnet connection report back this way).
#pragma once

#include <QObject>
#include <map>
#include <memory>

#include "link/event_loop.h"

class QSocketNotifier;
class QTimer;

namespace parlane {

class QtEventLoop final : public QObject, public EventLoop {
  Q_OBJECT
 public:
  explicit QtEventLoop(QObject* parent = nullptr);
  ~QtEventLoop() override;

  void Watch(int fd, unsigned events, IoCallback callback) override;
  void Unwatch(int fd) override;
  void Post(std::function<void()> fn) override;
  TimerId StartTimer(std::chrono::milliseconds period, bool repeat,
                     std::function<void()> fn) override;
  void StopTimer(TimerId id) override;

  size_t WatchedCount() const { return watches_.size(); }
  size_t TimerCount() const { return timers_.size(); }

 private:
  struct WatchEntry {
    QSocketNotifier* read = nullptr;  // owned through Qt parenting
    QSocketNotifier* write = nullptr;
    // Shared so that a callback that unwatches its own descriptor is not
    // destroyed while it runs.
    std::shared_ptr<IoCallback> callback;
  };
  struct TimerEntry {
    QTimer* timer = nullptr;
    std::shared_ptr<std::function<void()>> fn;
  };

  void Dispatch(int fd, unsigned event);
  void FireTimer(TimerId id);
  static void Retire(QObject* object);

  std::map<int, WatchEntry> watches_;
  std::map<TimerId, TimerEntry> timers_;
  TimerId nextTimer_ = 1;
};

}  // namespace parlane

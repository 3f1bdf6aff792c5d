#include "platform/qt_event_loop.h"

#include <QMetaObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

namespace parlane {

QtEventLoop::QtEventLoop(QObject* parent) : QObject(parent) {}

// The notifiers and timers are children of the loop and go with it.
QtEventLoop::~QtEventLoop() = default;

// A notifier or timer may be retired from inside its own signal: disable it
// now and let Qt delete it once control is back in the event loop.
void QtEventLoop::Retire(QObject* object) {
  if (object == nullptr) return;
  if (auto* notifier = qobject_cast<QSocketNotifier*>(object)) notifier->setEnabled(false);
  if (auto* timer = qobject_cast<QTimer*>(object)) timer->stop();
  object->deleteLater();
}

void QtEventLoop::Watch(int fd, unsigned events, IoCallback callback) {
  Unwatch(fd);
  if (events == kIoNone) return;
  WatchEntry entry;
  entry.callback = std::make_shared<IoCallback>(std::move(callback));
  if (events & kIoRead) {
    entry.read = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(entry.read, &QSocketNotifier::activated, this, [this, fd] { Dispatch(fd, kIoRead); });
  }
  if (events & kIoWrite) {
    entry.write = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(entry.write, &QSocketNotifier::activated, this, [this, fd] { Dispatch(fd, kIoWrite); });
  }
  watches_[fd] = std::move(entry);
}

void QtEventLoop::Unwatch(int fd) {
  const auto it = watches_.find(fd);
  if (it == watches_.end()) return;
  Retire(it->second.read);
  Retire(it->second.write);
  watches_.erase(it);
}

void QtEventLoop::Dispatch(int fd, unsigned event) {
  const auto it = watches_.find(fd);
  if (it == watches_.end()) return;
  const std::shared_ptr<IoCallback> callback = it->second.callback;
  (*callback)(event);
}

void QtEventLoop::Post(std::function<void()> fn) {
  // Queued: runs on this object's (the GUI) thread, whichever thread posts.
  QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

EventLoop::TimerId QtEventLoop::StartTimer(std::chrono::milliseconds period, bool repeat,
                                           std::function<void()> fn) {
  const TimerId id = nextTimer_++;
  TimerEntry entry;
  entry.timer = new QTimer(this);
  entry.timer->setSingleShot(!repeat);
  entry.timer->setInterval(period);
  entry.fn = std::make_shared<std::function<void()>>(std::move(fn));
  connect(entry.timer, &QTimer::timeout, this, [this, id] { FireTimer(id); });
  entry.timer->start();
  timers_[id] = std::move(entry);
  return id;
}

void QtEventLoop::FireTimer(TimerId id) {
  const auto it = timers_.find(id);
  if (it == timers_.end()) return;
  const std::shared_ptr<std::function<void()>> fn = it->second.fn;
  if (it->second.timer->isSingleShot()) {
    Retire(it->second.timer);
    timers_.erase(it);
  }
  (*fn)();
}

void QtEventLoop::StopTimer(TimerId id) {
  const auto it = timers_.find(id);
  if (it == timers_.end()) return;
  Retire(it->second.timer);
  timers_.erase(it);
}

}  // namespace parlane

#include "link/poll_event_loop.h"

#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

namespace parlane {
namespace {

using namespace std::chrono_literals;

TEST(PollEventLoop, PostFromAnotherThreadWakesTheLoop) {
  PollEventLoop loop;
  std::thread::id ranOn;
  std::thread worker([&] {
    std::this_thread::sleep_for(50ms);
    loop.Post([&] { ranOn = std::this_thread::get_id(); });
  });
  EXPECT_TRUE(loop.RunUntil([&] { return ranOn != std::thread::id(); }, 5000ms));
  worker.join();
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(PollEventLoop, TimersFireOnceOrRepeatUntilStopped) {
  PollEventLoop loop;
  int once = 0;
  int repeated = 0;
  loop.StartTimer(10ms, false, [&] { ++once; });
  EventLoop::TimerId id = 0;
  id = loop.StartTimer(10ms, true, [&] {
    if (++repeated == 3) loop.StopTimer(id);  // a timer may stop itself
  });
  loop.RunUntil([] { return false; }, 200ms);
  EXPECT_EQ(once, 1);
  EXPECT_EQ(repeated, 3);
  loop.StopTimer(12345);  // unknown: nothing happens
}

TEST(PollEventLoop, ReplacedRegistrationIsNotCalledForTheOldOne) {
  PollEventLoop loop;
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  ASSERT_EQ(write(fds[1], "x", 1), 1);
  int first = 0;
  int second = 0;
  // Two descriptors ready in one round: the first callback replaces the
  // other's registration, which must then wait for the next round.
  int other[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, other), 0);
  ASSERT_EQ(write(other[1], "y", 1), 1);
  const int low = std::min(fds[0], other[0]);
  const int high = std::max(fds[0], other[0]);
  loop.Watch(low, kIoRead, [&](unsigned) {
    ++first;
    loop.Watch(high, kIoRead, [&](unsigned) { ++second; });
    loop.Unwatch(low);
  });
  loop.Watch(high, kIoRead, [&](unsigned) { ADD_FAILURE() << "old registration called"; });
  loop.RunOnce(100ms);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);
  loop.RunOnce(100ms);
  EXPECT_EQ(second, 1);
  for (int fd : {fds[0], fds[1], other[0], other[1]}) close(fd);
}

}  // namespace
}  // namespace parlane

// Threads, locks and waits of the platform layer; in the Windows build these
// are the hand-made condition and the system's threads and events.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <system_error>
#include <vector>

#include "platform/system.h"
#include "platform/thread.h"

using platform::CondVar;
using platform::Event;
using platform::LockGuard;
using platform::Mutex;
using platform::Thread;
using platform::UniqueLock;

TEST(Threads, RunJoinMoveDetachAndIds) {
  std::atomic<int> ran{0};
  std::atomic<uint64_t> otherId{0};
  {
    Thread a([&] {
      otherId = platform::CurrentThreadId();
      ++ran;
    });
    EXPECT_TRUE(a.Joinable());
    a.Join();
    EXPECT_FALSE(a.Joinable());
    EXPECT_EQ(ran, 1);

    Thread b([&] { ++ran; });
    Thread c(std::move(b));
    EXPECT_FALSE(b.Joinable());
    c = Thread([&] { ++ran; });  // joins the thread it held first
    EXPECT_GE(ran, 2);
  }  // the destructor joins
  EXPECT_EQ(ran, 3);

  Event release, done;
  Thread d([&] {
    release.Wait(10000);
    done.Set();
  });
  d.Detach();
  EXPECT_FALSE(d.Joinable());
  release.Set();
  EXPECT_TRUE(done.Wait(10000)) << "a detached thread runs on";

  EXPECT_NE(platform::CurrentThreadId(), 0u);
  EXPECT_EQ(platform::CurrentThreadId(), platform::CurrentThreadId());
  EXPECT_NE(otherId, platform::CurrentThreadId());

  std::atomic<bool> threw{false};
  Thread* self = nullptr;
  Event started;
  Thread e([&] {
    started.Wait(10000);
    try {
      self->Join();
    } catch (const std::system_error&) {
      threw = true;
    }
  });
  self = &e;
  started.Set();
  for (int i = 0; i < 1000 && !threw; ++i) platform::SleepMs(5);
  EXPECT_TRUE(threw) << "a thread joining itself fails instead of hanging";
  if (!threw) e.Detach();  // it hangs; do not hang the test with it
}

TEST(Threads, MutexExcludes) {
  Mutex m;
  long counter = 0;  // deliberately not atomic
  std::vector<Thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        LockGuard lock(m);
        ++counter;
      }
    });
  for (auto& t : threads) t.Join();
  EXPECT_EQ(counter, 80000);
}

TEST(Threads, ConditionWaitsTimesOutAndWakesEveryWaiter) {
  Mutex m;
  CondVar cv;
  bool flag = false;
  {
    UniqueLock lock(m);
    uint32_t t0 = platform::TickCount();
    EXPECT_FALSE(cv.WaitFor(lock, 120, [&] { return flag; }));
    EXPECT_GE(platform::TickCount() - t0, 100u);
  }

  // One notice wakes every waiter, each waiting on its own condition.
  std::atomic<int> woken{0};
  std::vector<Thread> waiters;
  for (int t = 0; t < 3; ++t)
    waiters.emplace_back([&] {
      UniqueLock lock(m);
      if (cv.WaitFor(lock, 10000, [&] { return flag; })) ++woken;
    });
  platform::SleepMs(50);
  {
    LockGuard lock(m);
    flag = true;
  }
  const uint32_t notified = platform::TickCount();
  cv.NotifyAll();
  for (auto& t : waiters) t.Join();
  EXPECT_EQ(woken, 3);
  EXPECT_LT(platform::TickCount() - notified, 5000u) << "woken by the notice, not by their time-out";

  // Ping-pong: a notice lost between a check and the wait would stall a round.
  int turn = 0;
  const int rounds = 2000;
  Thread other([&] {
    UniqueLock lock(m);
    for (int i = 0; i < rounds; ++i) {
      if (!cv.WaitFor(lock, 10000, [&] { return turn % 2 == 1; })) return;
      ++turn;
      cv.NotifyAll();
    }
  });
  {
    UniqueLock lock(m);
    for (int i = 0; i < rounds; ++i) {
      ++turn;
      cv.NotifyAll();
      if (!cv.WaitFor(lock, 10000, [&] { return turn % 2 == 0; })) break;
    }
  }
  other.Join();
  EXPECT_EQ(turn, 2 * rounds);
}

TEST(Threads, EventStaysSet) {
  Event e;
  EXPECT_FALSE(e.Wait(0));
  EXPECT_FALSE(e.Wait(30));
  Thread setter([&] {
    platform::SleepMs(30);
    e.Set();
  });
  EXPECT_TRUE(e.Wait(10000));
  EXPECT_TRUE(e.Wait(0)) << "stays set";
}

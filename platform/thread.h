// Threads, locks and waits. On Windows they are the system's own threads,
// critical sections and events, which every Windows the installer supports has;
// natively they are the standard library's.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#ifndef _WIN32
#include <condition_variable>
#include <mutex>
#endif

namespace platform {

// A wait without a time limit.
constexpr uint32_t kWaitForever = 0xFFFFFFFFu;

// A thread running one function. Unlike std::thread, a thread that is neither
// joined nor detached is joined by the destructor.
class Thread {
 public:
  Thread() noexcept;
  // Starts `body` at once; throws std::system_error when no thread can be started.
  // An exception escaping `body` ends the program.
  explicit Thread(std::function<void()> body);
  ~Thread();
  Thread(Thread&& other) noexcept;
  Thread& operator=(Thread&& other) noexcept;  // joins the thread it held first
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  bool Joinable() const noexcept { return impl_ != nullptr; }
  void Join();
  void Detach();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Identifies the calling thread while it runs; never 0.
uint64_t CurrentThreadId();

class Mutex {
 public:
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;
  void Lock();
  void Unlock();

 private:
  friend class CondVar;
#ifdef _WIN32
  alignas(8) unsigned char cs_[48];  // a CRITICAL_SECTION
#else
  std::mutex m_;
#endif
};

// Holds a mutex for its scope.
class LockGuard {
 public:
  explicit LockGuard(Mutex& m) : m_(m) { m_.Lock(); }
  ~LockGuard() { m_.Unlock(); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  Mutex& m_;
};

// Holds a mutex for its scope, and may let go of it in between.
class UniqueLock {
 public:
  explicit UniqueLock(Mutex& m) : m_(m) { Lock(); }
  ~UniqueLock() {
    if (owns_) m_.Unlock();
  }
  UniqueLock(const UniqueLock&) = delete;
  UniqueLock& operator=(const UniqueLock&) = delete;
  void Lock() {
    m_.Lock();
    owns_ = true;
  }
  void Unlock() {
    owns_ = false;
    m_.Unlock();
  }
  Mutex& mutex() const { return m_; }

 private:
  Mutex& m_;
  bool owns_ = false;
};

// Waits for a condition guarded by a mutex. Only NotifyAll: every waiter
// checks its own condition again.
class CondVar {
 public:
  CondVar();
  ~CondVar();
  CondVar(const CondVar&) = delete;
  CondVar& operator=(const CondVar&) = delete;

  void NotifyAll();

  template <typename Pred>
  void Wait(UniqueLock& lock, Pred done) {
    while (!done()) WaitOnce(lock, kWaitForever);
  }
  // Waits until `done` holds or about `ms` milliseconds have passed; the
  // result is `done` at the end.
  template <typename Pred>
  bool WaitFor(UniqueLock& lock, uint32_t ms, Pred done) {
    const uint32_t start = NowMs();
    while (!done()) {
      uint32_t elapsed = NowMs() - start;  // unsigned: right across the clock's wrap
      if (elapsed >= ms) return done();
      WaitOnce(lock, ms - elapsed);
    }
    return true;
  }

 private:
  // Releases the lock, sleeps until a notice or the time-out, takes the lock again.
  void WaitOnce(UniqueLock& lock, uint32_t ms);
  static uint32_t NowMs();  // a monotonic millisecond clock that wraps

#ifdef _WIN32
  struct Waiter;
  alignas(8) unsigned char cs_[48];  // a CRITICAL_SECTION guarding waiters_
  Waiter* waiters_ = nullptr;
#else
  std::condition_variable cv_;
#endif
};

// A manual-reset event: once set it stays set, and every wait returns at once.
class Event {
 public:
  Event();
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  void Set();
  bool Wait(uint32_t ms);  // true when the event is set; ms may be kWaitForever

 private:
#ifdef _WIN32
  void* handle_;
#else
  std::mutex m_;
  std::condition_variable cv_;
  bool set_ = false;
#endif
};

}  // namespace platform

#include "platform/thread.h"

#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>

namespace platform {

struct Thread::Impl {
  std::thread t;
};

Thread::Thread() noexcept = default;

Thread::Thread(std::function<void()> body) : impl_(new Impl) { impl_->t = std::thread(std::move(body)); }

Thread::~Thread() { Join(); }

Thread::Thread(Thread&& other) noexcept = default;

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    Join();
    impl_ = std::move(other.impl_);
  }
  return *this;
}

void Thread::Join() {
  if (!impl_) return;
  // Refused before the system is asked, as on Windows.
  if (impl_->t.get_id() == std::this_thread::get_id()) {
    throw std::system_error(std::make_error_code(std::errc::resource_deadlock_would_occur), "a thread joins itself");
  }
  impl_->t.join();
  impl_.reset();
}

void Thread::Detach() {
  if (!impl_) return;
  impl_->t.detach();
  impl_.reset();
}

uint64_t CurrentThreadId() {
  static std::atomic<uint64_t> next{1};
  thread_local const uint64_t id = next++;
  return id;
}

Mutex::Mutex() = default;
Mutex::~Mutex() = default;
void Mutex::Lock() { m_.lock(); }
void Mutex::Unlock() { m_.unlock(); }

CondVar::CondVar() = default;
CondVar::~CondVar() = default;

void CondVar::NotifyAll() { cv_.notify_all(); }

void CondVar::WaitOnce(UniqueLock& lock, uint32_t ms) {
  // The caller's lock already holds the mutex: adopt it for the wait and hand it back held.
  std::unique_lock<std::mutex> held(lock.mutex().m_, std::adopt_lock);
  if (ms == kWaitForever) {
    cv_.wait(held);
  } else {
    cv_.wait_for(held, std::chrono::milliseconds(ms));
  }
  held.release();
}

uint32_t CondVar::NowMs() {
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

Event::Event() = default;
Event::~Event() = default;

void Event::Set() {
  std::lock_guard<std::mutex> lock(m_);
  set_ = true;
  cv_.notify_all();
}

bool Event::Wait(uint32_t ms) {
  std::unique_lock<std::mutex> lock(m_);
  return cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return set_; });
}

}  // namespace platform

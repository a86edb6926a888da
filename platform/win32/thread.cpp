#include "platform/thread.h"

#include <process.h>
#include <windows.h>

#include <exception>
#include <system_error>

// Condition variables and slim locks of the system came after Windows XP: a
// condition is a list of waiters, each sleeping on an event of its own.

namespace platform {
namespace {
static_assert(sizeof(CRITICAL_SECTION) <= 48 && alignof(CRITICAL_SECTION) <= 8, "room for a CRITICAL_SECTION");

CRITICAL_SECTION* Cs(unsigned char* storage) { return reinterpret_cast<CRITICAL_SECTION*>(storage); }

[[noreturn]] void ThrowLastError(const char* what) {
  throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), what);
}

unsigned __stdcall Trampoline(void* arg) {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(arg));
  try {
    (*body)();
  } catch (...) {
    std::terminate();  // as a std::thread would
  }
  return 0;
}
}  // namespace

struct Thread::Impl {
  HANDLE handle = nullptr;
  unsigned id = 0;
};

Thread::Thread() noexcept = default;

Thread::Thread(std::function<void()> body) {
  std::unique_ptr<Impl> impl(new Impl);
  std::unique_ptr<std::function<void()>> arg(new std::function<void()>(std::move(body)));
  // The C runtime's own start routine, so the thread's runtime data is set up and freed.
  uintptr_t h = ::_beginthreadex(nullptr, 0, Trampoline, arg.get(), 0, &impl->id);
  if (h == 0) {
    // _beginthreadex reports through errno; the system's own code is still the last error.
    ThrowLastError("cannot start a thread");
  }
  arg.release();  // the thread owns it now
  impl->handle = reinterpret_cast<HANDLE>(h);
  impl_ = std::move(impl);
}

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
  if (impl_->id == ::GetCurrentThreadId()) {
    throw std::system_error(std::make_error_code(std::errc::resource_deadlock_would_occur), "a thread joins itself");
  }
  ::WaitForSingleObject(impl_->handle, INFINITE);
  ::CloseHandle(impl_->handle);
  impl_.reset();
}

void Thread::Detach() {
  if (!impl_) return;
  ::CloseHandle(impl_->handle);
  impl_.reset();
}

uint64_t CurrentThreadId() { return ::GetCurrentThreadId(); }

Mutex::Mutex() { ::InitializeCriticalSection(Cs(cs_)); }
Mutex::~Mutex() { ::DeleteCriticalSection(Cs(cs_)); }
void Mutex::Lock() { ::EnterCriticalSection(Cs(cs_)); }
void Mutex::Unlock() { ::LeaveCriticalSection(Cs(cs_)); }

struct CondVar::Waiter {
  HANDLE event;
  Waiter* next;
};

CondVar::CondVar() { ::InitializeCriticalSection(Cs(cs_)); }
CondVar::~CondVar() { ::DeleteCriticalSection(Cs(cs_)); }

void CondVar::NotifyAll() {
  ::EnterCriticalSection(Cs(cs_));
  for (Waiter* w = waiters_; w; w = w->next) ::SetEvent(w->event);
  waiters_ = nullptr;
  ::LeaveCriticalSection(Cs(cs_));
}

void CondVar::WaitOnce(UniqueLock& lock, uint32_t ms) {
  Waiter self{::CreateEventA(nullptr, FALSE, FALSE, nullptr), nullptr};
  if (!self.event) ThrowLastError("cannot create an event");
  // Listed before the lock is let go: a notice sent after that finds this waiter.
  ::EnterCriticalSection(Cs(cs_));
  self.next = waiters_;
  waiters_ = &self;
  ::LeaveCriticalSection(Cs(cs_));
  lock.Unlock();
  ::WaitForSingleObject(self.event, ms == kWaitForever ? INFINITE : ms);
  // A waiter that timed out may still be listed; a notified one was taken off.
  ::EnterCriticalSection(Cs(cs_));
  for (Waiter** p = &waiters_; *p; p = &(*p)->next) {
    if (*p == &self) {
      *p = self.next;
      break;
    }
  }
  ::LeaveCriticalSection(Cs(cs_));
  ::CloseHandle(self.event);
  lock.Lock();
}

uint32_t CondVar::NowMs() { return ::GetTickCount(); }

Event::Event() : handle_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  if (!handle_) ThrowLastError("cannot create an event");
}
Event::~Event() { ::CloseHandle(static_cast<HANDLE>(handle_)); }
void Event::Set() { ::SetEvent(static_cast<HANDLE>(handle_)); }
bool Event::Wait(uint32_t ms) { return ::WaitForSingleObject(static_cast<HANDLE>(handle_), ms) == WAIT_OBJECT_0; }

}  // namespace platform

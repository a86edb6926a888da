// GoogleTest's own hook for a port's settings, found before its empty original
// in the Windows build. The win32 thread model has no std::mutex or
// std::condition_variable, which GoogleTest's Notification is made of; this one
// is the platform layer's event. Everything else of GoogleTest's Windows
// threading is its own, on critical sections and events.
#ifndef GOOGLETEST_INCLUDE_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_
#define GOOGLETEST_INCLUDE_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_

#include "platform/thread.h"

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  void Notify() { event_.Set(); }
  void WaitForNotification() { event_.Wait(platform::kWaitForever); }

 private:
  platform::Event event_;
};

}  // namespace internal
}  // namespace testing

#endif  // GOOGLETEST_INCLUDE_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_

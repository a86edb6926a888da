#include "download/Notify.h"

#include "platform/thread.h"

namespace {
platform::Mutex g_mutex;
std::shared_ptr<NotifyTarget> g_target;
}  // namespace

void SetNotifyWindow(std::shared_ptr<NotifyTarget> target) {
  platform::LockGuard lock(g_mutex);
  g_target = std::move(target);
}

std::shared_ptr<NotifyTarget> GetNotifyWindow() {
  platform::LockGuard lock(g_mutex);
  return g_target;
}

void SendDownloadFailed(uint32_t jobId) {
  // Sent outside the lock: the window's handler may itself set a new target.
  if (std::shared_ptr<NotifyTarget> t = GetNotifyWindow()) t->SendDownloadFailed(jobId);
}

#include "download/Notify.h"

#include <mutex>

namespace {
std::mutex g_mutex;
std::shared_ptr<NotifyTarget> g_target;
}  // namespace

void SetNotifyWindow(std::shared_ptr<NotifyTarget> target) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_target = std::move(target);
}

std::shared_ptr<NotifyTarget> GetNotifyWindow() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_target;
}

void SendDownloadFailed() {
  // Sent outside the lock: the window's handler may itself set a new target.
  if (std::shared_ptr<NotifyTarget> t = GetNotifyWindow()) t->SendDownloadFailed();
}

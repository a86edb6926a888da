#include "download/JobTargets.h"

#include <map>

#include "platform/system.h"
#include "platform/thread.h"

namespace {
constexpr uint32_t kPumpEveryMs = 10;

platform::Mutex g_mutex;
platform::CondVar g_released;
std::map<std::string, int> g_held;  // guarded by g_mutex

// Windows names are compared without case.
std::string Key(const std::string& fileName) {
  std::string k = fileName;
  for (char& c : k) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return k;
}
}  // namespace

void HoldJobTarget(const std::string& fileName) {
  platform::LockGuard lock(g_mutex);
  ++g_held[Key(fileName)];
}

void ReleaseJobTarget(const std::string& fileName) {
  platform::LockGuard lock(g_mutex);
  auto it = g_held.find(Key(fileName));
  if (it != g_held.end() && --it->second == 0) g_held.erase(it);
  g_released.NotifyAll();
}

bool WaitForEarlierJob(const std::string& fileName, uint32_t timeoutMs, const std::function<void()>& pump) {
  const std::string key = Key(fileName);
  const uint32_t start = platform::TickCount();
  for (;;) {
    {
      platform::UniqueLock lock(g_mutex);
      if (g_released.WaitFor(lock, kPumpEveryMs, [&] { return g_held.count(key) == 0; })) return true;
    }
    if (platform::TickCount() - start >= timeoutMs) return false;
    if (pump) pump();
  }
}

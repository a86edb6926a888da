#include "download/JobTargets.h"

#include <map>
#include <set>

#include "platform/codepage.h"
#include "platform/system.h"
#include "platform/thread.h"

namespace {
constexpr uint32_t kPumpEveryMs = 10;

platform::Mutex g_mutex;
platform::CondVar g_released;
std::map<std::u16string, std::set<uint64_t>> g_held;  // guarded by g_mutex
uint64_t g_lastTicket = 0;                            // guarded by g_mutex

// Folded as characters, not bytes: a GBK trail byte may look like a letter.
std::u16string Key(const std::string& fileName) {
  std::u16string k = platform::AnsiToWide(fileName);
  for (char16_t& c : k) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    if (c == u'/') c = u'\\';
  }
  return k;
}
}  // namespace

uint64_t HoldJobTarget(const std::string& fileName) {
  platform::LockGuard lock(g_mutex);
  const uint64_t ticket = ++g_lastTicket;
  g_held[Key(fileName)].insert(ticket);
  return ticket;
}

void ReleaseJobTarget(const std::string& fileName, uint64_t ticket) {
  platform::LockGuard lock(g_mutex);
  auto it = g_held.find(Key(fileName));
  if (it != g_held.end()) {
    it->second.erase(ticket);
    if (it->second.empty()) g_held.erase(it);
  }
  g_released.NotifyAll();
}

bool WaitJobTurn(const std::string& fileName, uint64_t ticket, const std::function<bool()>& giveUp) {
  const std::u16string key = Key(fileName);
  for (;;) {
    {
      platform::UniqueLock lock(g_mutex);
      if (g_released.WaitFor(lock, kPumpEveryMs, [&] {
            auto it = g_held.find(key);
            return it == g_held.end() || *it->second.begin() >= ticket;
          })) {
        return true;
      }
    }
    if (giveUp && giveUp()) return false;
  }
}

bool WaitForEarlierJob(const std::string& fileName, uint32_t timeoutMs, const std::function<void()>& pump) {
  const std::u16string key = Key(fileName);
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

// Natively the "other copies" are other holders in this process, so that a
// test can stand in for the first copy; the front requests are recorded.
#include "platform/instance.h"

#include <mutex>
#include <set>

namespace platform {
namespace {
std::mutex g_mutex;
std::set<std::string> g_held;                // guarded by g_mutex
std::vector<std::u16string> g_frontRequests;  // guarded by g_mutex
}  // namespace

InstanceMutex::~InstanceMutex() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!name_.empty()) g_held.erase(name_);
}

bool InstanceMutex::Acquire(const std::string& name) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_held.insert(name).second) return false;
  name_ = name;
  return true;
}

bool BringWindowToFront(const std::u16string& windowClass, uint32_t) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_frontRequests.push_back(windowClass);
  return true;
}

namespace testing {
std::vector<std::u16string> TakeFrontRequests() {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::vector<std::u16string> out;
  out.swap(g_frontRequests);
  return out;
}
}  // namespace testing

}  // namespace platform

#include "platform/process.h"

#include <mutex>
#include <vector>

#include "platform/testing.h"

namespace platform {
namespace {
std::mutex g_mutex;
std::vector<testing::HiddenRun> g_hidden;
}  // namespace

bool RunSystemHidden(const std::string& commandLine, uint32_t waitMs) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_hidden.push_back({commandLine, waitMs});
  return true;
}

void EndProcessNow() { throw ProcessEnd{0}; }

namespace testing {
std::vector<HiddenRun> TakeHiddenRuns() {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::vector<HiddenRun> out;
  out.swap(g_hidden);
  return out;
}
}  // namespace testing
}  // namespace platform

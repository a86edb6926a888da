#include "platform/process.h"

#include <mutex>
#include <vector>

#include "platform/testing.h"

namespace platform {
namespace {
std::mutex g_mutex;
std::vector<std::string> g_hidden;
}  // namespace

bool RunHidden(const std::string& commandLine) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_hidden.push_back(commandLine);
  return true;
}

void EndProcessNow() { throw testing::ProcessEnded{0}; }

namespace testing {
std::vector<std::string> TakeHiddenRuns() {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::vector<std::string> out;
  out.swap(g_hidden);
  return out;
}
}  // namespace testing
}  // namespace platform

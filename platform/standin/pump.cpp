#include "platform/pump.h"

#include <mutex>

#include "platform/testing.h"

namespace platform {
namespace {
std::mutex g_mutex;
std::function<bool()> g_pump;
}  // namespace

bool PumpWaitingMessages() {
  std::function<bool()> pump;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    pump = g_pump;
  }
  return pump ? pump() : false;
}

namespace testing {
void SetMessagePump(std::function<bool()> pump) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_pump = std::move(pump);
}
}  // namespace testing
}  // namespace platform

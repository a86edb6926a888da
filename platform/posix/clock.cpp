// The tick clock and sleeps; tests may move the tick clock forward.
#include "platform/system.h"

#include <time.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/testing.h"

namespace platform {
namespace {
std::atomic<uint32_t> g_tickOffset{0};
}

namespace testing {
void AdvanceTickCount(uint32_t ms) { g_tickOffset += ms; }
}  // namespace testing

uint32_t TransferTickCount() {
  struct timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + ts.tv_nsec / 1000000);
}

uint32_t TickCount() { return TransferTickCount() + g_tickOffset; }

void SleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace platform

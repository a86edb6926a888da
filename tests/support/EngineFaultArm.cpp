#include "tests/support/EngineFaultArm.h"

namespace {
std::atomic<int> g_armed[4];

// Each true uses up one armed count.
bool ArmedFaultDue(EngineFault point) {
  std::atomic<int>& armed = g_armed[static_cast<int>(point)];
  int n = armed.load();
  while (n > 0) {
    if (armed.compare_exchange_weak(n, n - 1)) return true;
  }
  return false;
}
}  // namespace

void ArmEngineFault(EngineFault point, int count) {
  g_armed[static_cast<int>(point)] = count;
  g_engineFaultHook = &ArmedFaultDue;
}

// The points where the engine can fail the way a starved system makes it fail:
// a segment thread that cannot be started, an error inside the manager's poll,
// a segment's write to the data file, a flush of it. The shipped programs set
// no hook, so every point passes; tests set one (tests/support/EngineFaultArm.h).
#pragma once
#include <atomic>

enum class EngineFault { kSegmentStart, kPoll, kWrite, kFlush };

// Answers whether the point is to fail now.
using EngineFaultHook = bool (*)(EngineFault point);
inline std::atomic<EngineFaultHook> g_engineFaultHook{nullptr};

inline bool EngineFaultDue(EngineFault point) {
  EngineFaultHook hook = g_engineFaultHook.load();
  return hook != nullptr && hook(point);
}

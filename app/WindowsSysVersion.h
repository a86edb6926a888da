// Classification of the Windows version into a small code (0 to 14).
#pragma once
#include <cstdint>

#include "platform/system.h"

// Zero-fills the record, sets its size to 156 and asks the system; on failure
// the size is set back to 0.
bool QueryWindowsVersion(platform::OsVersionRecord* rec);

// The pure rule: `rec` null means the version query failed. `serverR2` is the
// value of GetSystemMetrics(SM_SERVERR2).
uint8_t ClassifyWindowsVersion(const platform::OsVersionRecord* rec, uint16_t processorArchitecture, int serverR2);

// Queries the system again on every call.
uint8_t ClassifyWindowsVersion();

namespace winver {
constexpr uint8_t kUnknown = 0;
constexpr uint8_t kWindowsXp = 6;
constexpr uint8_t kWindowsXp64 = 7;
}  // namespace winver

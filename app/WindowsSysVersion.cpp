#include "app/WindowsSysVersion.h"

namespace {
constexpr uint8_t kVerNtWorkstation = 1;
constexpr uint16_t kArchAmd64 = 9;
constexpr uint16_t kSuiteWhServer = 0x8000;
}  // namespace

bool QueryWindowsVersion(platform::OsVersionRecord* rec) {
  if (platform::QueryOsVersion(rec)) return true;
  rec->size = 0;
  return false;
}

uint8_t ClassifyWindowsVersion(const platform::OsVersionRecord* rec, uint16_t arch, int serverR2) {
  if (rec == nullptr) return 0;
  const bool workstation = rec->productType == kVerNtWorkstation;
  switch (rec->major) {
    case 4:
      if (rec->minor == 0) return 1;
      if (rec->minor == 10) return 2;
      if (rec->minor == 90) return 3;
      return 0;
    case 5:
      if (rec->minor == 0) return workstation ? 4 : 5;
      if (rec->minor == 1) return 6;
      if (rec->minor == 2) {
        if (workstation && arch == kArchAmd64) return 7;
        // Home Server is the suite mask that is exactly this bit, nothing else.
        if (rec->suiteMask == kSuiteWhServer) return 9;
        return serverR2 == 0 ? 8 : 10;
      }
      return 0;
    case 6:
      if (rec->minor == 0) return workstation ? 11 : 12;
      if (rec->minor == 1) return workstation ? 14 : 13;
      return 0;
    default:
      return 0;
  }
}

uint8_t ClassifyWindowsVersion() {
  uint16_t arch = platform::ProcessorArchitecture();
  platform::OsVersionRecord rec;
  if (!QueryWindowsVersion(&rec)) return 0;
  int serverR2 = (rec.major == 5 && rec.minor == 2) ? platform::SystemMetric(platform::kMetricServerR2) : 0;
  return ClassifyWindowsVersion(&rec, arch, serverR2);
}

#include "platform/system.h"
#include "platform/win32/system_folder.h"

#include <windows.h>

namespace platform {

bool QueryOsVersion(OsVersionRecord* rec) {
  OSVERSIONINFOEXA v;
  ZeroMemory(&v, sizeof v);
  v.dwOSVersionInfoSize = sizeof v;
  static_assert(sizeof(OSVERSIONINFOEXA) == kOsVersionInfoExSize, "OSVERSIONINFOEXA is 156 bytes");
  *rec = OsVersionRecord{};
  if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&v))) return false;
  rec->size = v.dwOSVersionInfoSize;
  rec->major = v.dwMajorVersion;
  rec->minor = v.dwMinorVersion;
  rec->build = v.dwBuildNumber;
  rec->platformId = v.dwPlatformId;
  rec->servicePackMajor = v.wServicePackMajor;
  rec->servicePackMinor = v.wServicePackMinor;
  rec->suiteMask = v.wSuiteMask;
  rec->productType = v.wProductType;
  return true;
}

uint16_t ProcessorArchitecture() {
  SYSTEM_INFO si;
  ZeroMemory(&si, sizeof si);
  ::GetSystemInfo(&si);
  return si.wProcessorArchitecture;
}

int SystemMetric(int index) { return ::GetSystemMetrics(index); }

std::string WindowsDirectory() {
  char buf[MAX_PATH];
  UINT n = ::GetWindowsDirectoryA(buf, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  return std::string(buf);
}

namespace win32 {
std::string SystemFolder() {
  char buf[MAX_PATH];
  const UINT n = ::GetSystemDirectoryA(buf, MAX_PATH);
  return n == 0 || n >= MAX_PATH ? std::string() : std::string(buf, n);
}
}  // namespace win32

unsigned DriveType(const std::string& root) { return ::GetDriveTypeA(root.c_str()); }

bool DiskFreeSpace(const std::string& root, DiskFree* out) {
  DWORD spc = 0, bps = 0, freeC = 0, total = 0;
  if (!::GetDiskFreeSpaceA(root.c_str(), &spc, &bps, &freeC, &total)) return false;
  out->sectorsPerCluster = spc;
  out->bytesPerSector = bps;
  out->freeClusters = freeC;
  out->totalClusters = total;
  return true;
}

uint32_t TickCount() { return ::GetTickCount(); }

uint32_t TransferTickCount() { return ::GetTickCount(); }
void SleepMs(uint32_t ms) { ::Sleep(ms); }

}  // namespace platform

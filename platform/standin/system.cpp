#include "platform/system.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cctype>
#include <mutex>

#include "platform/posix/path_map.h"
#include "platform/testing.h"

namespace platform {
namespace {
struct State {
  std::mutex mutex;
  std::string windowsDir = "C:\\WINDOWS";
  bool haveDrives = false;
  testing::Drive drives[26];
  bool versionFails = false;
  OsVersionRecord version = DefaultVersion();
  uint16_t arch = 0;  // PROCESSOR_ARCHITECTURE_INTEL
  int serverR2 = 0;

  // A fresh Windows 7 workstation, as a new Wine prefix reports.
  static OsVersionRecord DefaultVersion() {
    OsVersionRecord r;
    r.size = kOsVersionInfoExSize;
    r.major = 6;
    r.minor = 1;
    r.build = 7601;
    r.platformId = 2;
    r.servicePackMajor = 1;
    r.suiteMask = 0x100;
    r.productType = 1;
    return r;
  }
};
State& S() {
  static State s;
  return s;
}

int DriveIndex(const std::string& root) {
  if (root.size() < 2 || root[1] != ':' || !std::isalpha(static_cast<unsigned char>(root[0]))) return -1;
  return std::toupper(static_cast<unsigned char>(root[0])) - 'A';
}
}  // namespace

namespace testing {
void SetWindowsDirectory(const std::string& dir) {
  std::lock_guard<std::mutex> lock(S().mutex);
  S().windowsDir = dir;
}
void SetDrive(char letter, const Drive& drive) {
  std::lock_guard<std::mutex> lock(S().mutex);
  int i = std::toupper(static_cast<unsigned char>(letter)) - 'A';
  if (i < 0 || i >= 26) return;
  if (!S().haveDrives) {
    for (auto& d : S().drives) d.type = kDriveNoRootDir;
    S().haveDrives = true;
  }
  S().drives[i] = drive;
}
void ClearDrives() {
  std::lock_guard<std::mutex> lock(S().mutex);
  for (auto& d : S().drives) d = Drive{kDriveNoRootDir, true, {}};
  S().haveDrives = true;
}
void SetOsVersion(const OsVersionRecord* rec, uint16_t arch, int serverR2) {
  std::lock_guard<std::mutex> lock(S().mutex);
  S().versionFails = rec == nullptr;
  if (rec) S().version = *rec;
  S().arch = arch;
  S().serverR2 = serverR2;
}
void ResetOsVersion() {
  std::lock_guard<std::mutex> lock(S().mutex);
  S().versionFails = false;
  S().version = State::DefaultVersion();
  S().arch = 0;
  S().serverR2 = 0;
}
}  // namespace testing

bool QueryOsVersion(OsVersionRecord* rec) {
  *rec = OsVersionRecord{};
  rec->size = kOsVersionInfoExSize;
  std::lock_guard<std::mutex> lock(S().mutex);
  if (S().versionFails) return false;
  *rec = S().version;
  rec->size = kOsVersionInfoExSize;
  return true;
}

uint16_t ProcessorArchitecture() {
  std::lock_guard<std::mutex> lock(S().mutex);
  return S().arch;
}

int SystemMetric(int index) {
  std::lock_guard<std::mutex> lock(S().mutex);
  return index == kMetricServerR2 ? S().serverR2 : 0;
}

std::string WindowsDirectory() {
  std::lock_guard<std::mutex> lock(S().mutex);
  return S().windowsDir;
}

// Without a drive table only C: exists: a fixed drive with the host's free space.
unsigned DriveType(const std::string& root) {
  int i = DriveIndex(root);
  if (i < 0) return kDriveNoRootDir;
  std::lock_guard<std::mutex> lock(S().mutex);
  if (S().haveDrives) return S().drives[i].type;
  return i == 2 ? kDriveFixed : kDriveNoRootDir;
}

bool DiskFreeSpace(const std::string& root, DiskFree* out) {
  int i = DriveIndex(root);
  if (i < 0) return false;
  {
    std::lock_guard<std::mutex> lock(S().mutex);
    if (S().haveDrives) {
      const testing::Drive& d = S().drives[i];
      if (d.type == kDriveNoRootDir || d.freeQueryFails) return false;
      *out = d.free;
      return true;
    }
    if (i != 2) return false;
  }
  struct statvfs v;
  std::string host = posix::HostPath(root);
  if (::statvfs(host.c_str(), &v) != 0 && ::statvfs(".", &v) != 0) return false;
  // Report 4 KiB clusters of 512-byte sectors, as NTFS does by default.
  uint64_t freeBytes = static_cast<uint64_t>(v.f_bavail) * v.f_frsize;
  uint64_t totalBytes = static_cast<uint64_t>(v.f_blocks) * v.f_frsize;
  out->sectorsPerCluster = 8;
  out->bytesPerSector = 512;
  out->freeClusters = static_cast<uint32_t>(std::min<uint64_t>(freeBytes / 4096, 0xFFFFFFFFu));
  out->totalClusters = static_cast<uint32_t>(std::min<uint64_t>(totalBytes / 4096, 0xFFFFFFFFu));
  return true;
}

}  // namespace platform

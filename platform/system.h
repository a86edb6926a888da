// Version, system and drive queries, time.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

// The fields of OSVERSIONINFOEXA that the installer reads. `size` mirrors
// dwOSVersionInfoSize: 156 while the record is valid.
struct OsVersionRecord {
  uint32_t size = 0;
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  uint32_t platformId = 0;
  uint16_t servicePackMajor = 0;
  uint16_t servicePackMinor = 0;
  uint16_t suiteMask = 0;
  uint8_t productType = 0;
};

constexpr uint32_t kOsVersionInfoExSize = 156;
constexpr int kMetricServerR2 = 89;  // SM_SERVERR2

// GetVersionExA on a zero-filled record whose size field is 156.
bool QueryOsVersion(OsVersionRecord* rec);
uint16_t ProcessorArchitecture();  // wProcessorArchitecture of GetSystemInfo
int SystemMetric(int index);

// GetWindowsDirectoryA: the raw text, empty on failure.
std::string WindowsDirectory();

constexpr unsigned kDriveUnknown = 0;
constexpr unsigned kDriveNoRootDir = 1;
constexpr unsigned kDriveRemovable = 2;
constexpr unsigned kDriveFixed = 3;
constexpr unsigned kDriveRemote = 4;
constexpr unsigned kDriveCdRom = 5;
constexpr unsigned kDriveRamDisk = 6;

unsigned DriveType(const std::string& root);  // GetDriveTypeA
struct DiskFree {
  uint32_t sectorsPerCluster = 0;
  uint32_t bytesPerSector = 0;
  uint32_t freeClusters = 0;
  uint32_t totalClusters = 0;
};
bool DiskFreeSpace(const std::string& root, DiskFree* out);  // GetDiskFreeSpaceA

uint32_t TickCount();
// TickCount that tests never move on: network transfers time themselves with it,
// since a transfer waits in real time whatever a test does to the clock.
uint32_t TransferTickCount();
void SleepMs(uint32_t ms);

}  // namespace platform

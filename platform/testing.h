// Controls of the native platform for tests: where Windows paths live on the
// host, and the stand-ins of platform/standin/ (the drive table, the version
// record, the in-memory registry, records of what the program asked the shell
// and the process to do).
// Not available in the Windows build.
#pragma once
#ifdef _WIN32
#error "platform/testing.h belongs to the native build"
#endif
#include <functional>
#include <string>
#include <vector>

#include "platform/localtime.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace platform::testing {

// Windows paths with a drive letter ("D:\a\b") map to hostRoot/D/a/b. Empty
// turns the mapping off: drive paths then map below the current folder.
void SetRoot(const std::string& hostRoot);
std::string HostPath(const std::string& windowsPath);

void SetWindowsDirectory(const std::string& dir);

// A Windows where code page 936 is not installed: GbkToWide gives nothing and
// WideToGbk fails, as the system's conversions do there.
void SetGbkMissing(bool missing);  // "" makes the query fail

struct Drive {
  unsigned type = kDriveFixed;
  bool freeQueryFails = false;
  DiskFree free;
};
void SetDrive(char letter, const Drive& drive);
void ClearDrives();  // every letter reports kDriveNoRootDir

// The record QueryOsVersion reports; a null record makes the query fail.
void SetOsVersion(const OsVersionRecord* rec, uint16_t arch, int serverR2);
void ResetOsVersion();

void ResetRegistry();  // also forgets the writes below

// Every RegWrite since the last call (or reset), in order, with the key and
// value names as the program passed them.
struct RegWriteRecord {
  RegRoot root;
  std::string key, name;
  RegValue value;
};
std::vector<RegWriteRecord> TakeRegistryWrites();

// The message boxes shown since the last call, oldest first; their texts in UTF-8.
struct MessageBoxRecord {
  void* owner;
  std::string text;
  std::string caption;
  unsigned flags;
};
std::vector<MessageBoxRecord> TakeMessageBoxes();

// Programs started through the shell since the last call; whether such starts
// report success.
struct ShellRun {
  void* owner;
  std::string verb, file, params, dir;  // dir: the working folder, if one was given
};
std::vector<ShellRun> TakeShellRuns();
void SetShellRunsSucceed(bool ok);
void SetModulePath(const std::string& windowsPath);

// The folder picker answers with `folder` ("" is a cancel) and records each call.
struct FolderRequest {
  std::string title;    // UTF-8
  std::string initial;  // ANSI
};
void SetFolderPickerAnswer(const std::string& folder);
std::vector<FolderRequest> TakeFolderRequests();

// The desktop folder the shell reports ("" makes the query fail).
void SetDesktopFolder(const std::string& folder);

// Links saved through ShellLink since the last call, oldest first.
struct ShellLinkRecord {
  std::string target, workDir, description, path;
};
std::vector<ShellLinkRecord> TakeShellLinks();
// A non-empty text makes creating the link object fail with that error text.
void SetShellLinkFailure(const std::string& errorText);


// What EndProcessNow throws natively (platform/process.h).
using ProcessEnded = platform::ProcessEnd;

// The clock LocalTimeNow reads; null goes back to the system clock.
void SetLocalTime(const LocalTime* t);
// The clock UnixTimeNow reads; null goes back to the system clock.
void SetUnixTime(const int64_t* seconds);

// Moves TickCount forward by `ms` from now on, for waits measured in ticks.
void AdvanceTickCount(uint32_t ms);

// What PumpWaitingMessages runs natively (none: the queue is empty).
void SetMessagePump(std::function<bool()> pump);

}  // namespace platform::testing

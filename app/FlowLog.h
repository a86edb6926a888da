// The install flow's lines in the install log (common/InstallLog.h). Arguments
// are in the ANSI code page unless they say UTF-8.
#pragma once
#include <cstdint>
#include <string>

struct ExtractResult;

namespace app {

// The log below WorkDir opened for this run, starting with the program's
// version, the Windows version, the code page, elevation and the command line.
void OpenFlowLog();

void LogManifestRequest(const std::string& url);
// The values of a manifest just read; `nameAccepted` false when its "url" was
// refused as a file name.
void LogManifestValues(const std::string& version, const std::string& name, bool nameAccepted,
                       const std::string& crc);
// Always false, for `return LogManifestMissing();`.
bool LogManifestMissing();
// A signed manifest's verdict: empty `refusal` when accepted.
void LogSignature(const std::string& refusal, uint64_t serial);

// The package on disk held to the manifest: `openError` 0 when it could be
// opened (then `crcText` and `hashMatches` are its own).
void LogPackageCheck(const std::string& file, uint32_t openError, const std::string& crcText,
                     const std::string& wantedCrc, bool hashMatches, bool accepted);
void LogPackageReused(const std::string& file);
// The single synchronous fetch of the package takes over, and why (UTF-8).
void LogFallback(const std::string& whyUtf8);
// The engine's failure notice for job `jobId`.
void LogFailureNotice(uint32_t jobId);
// A failure notice after the fallback: the window offers "继续安装".
void LogInterrupted();
// The base service's job failed: the service host is tried next, unless it
// was the one that failed (`onServiceHost`).
void LogBaseServiceFailed(bool onServiceHost);

void LogUnpack(const std::string& destination, bool ok, const ExtractResult& detail);

// A component below the installation folder: "present", "installed",
// "refused" (it failed its check) or "failed" (UTF-8).
void LogComponent(const std::string& target, const char* outcome);

// The desktop shortcut was saved, pointing at `target`.
void LogShortcut(const std::string& target);
void LogClose(int page);
void LogLaunch(const std::string& program, bool started);
// An error that ended registration (its text from the system, ANSI).
void LogRegistrationError(const std::string& what);

}  // namespace app

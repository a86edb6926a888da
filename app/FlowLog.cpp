#include "app/FlowLog.h"

#include "app/FlowValues.h"
#include "app/WindowsSysVersion.h"
#include "common/InstallLog.h"
#include "platform/codepage.h"
#include "platform/process_info.h"
#include "platform/system.h"
#include "unpack/ZipExtract.h"

#ifndef VELTARO_INSTALLER_VERSION
#define VELTARO_INSTALLER_VERSION "0"
#endif

using installlog::FromAnsi;

namespace app {

namespace {
std::string WindowsText() {
  platform::OsVersionRecord rec;
  const bool known = QueryWindowsVersion(&rec);
  std::string s = "Windows code " + std::to_string(ClassifyWindowsVersion());
  if (known) {
    s += " (" + std::to_string(rec.major) + "." + std::to_string(rec.minor) + " build " +
         std::to_string(rec.build);
    if (rec.servicePackMajor) s += " SP" + std::to_string(rec.servicePackMajor);
    s += ")";
  }
  return s;
}
}  // namespace

void OpenFlowLog() {
  installlog::Open(WorkDir + "install.log",
                   std::string("VeltaroSetup ") + VELTARO_INSTALLER_VERSION + ", " + WindowsText() +
                       ", code page " + std::to_string(platform::AnsiCodePage()) + ", " +
                       (platform::IsElevated() ? "elevated" : "not elevated") +
                       ", command line: " + platform::CommandLineUtf8());
}

void LogManifestRequest(const std::string& url) { installlog::Info("manifest " + FromAnsi(url)); }

void LogManifestValues(const std::string& version, const std::string& name, bool nameAccepted,
                       const std::string& crc) {
  const std::string values = "manifest: version \"" + FromAnsi(version) + "\", package \"" + FromAnsi(name) +
                             "\", checksum \"" + FromAnsi(crc) + "\"";
  if (nameAccepted) installlog::Info(values);
  else installlog::Fail(values + ": the package name is refused (not a bare file name)");
}

bool LogManifestMissing() {
  installlog::Fail("manifest not obtained");
  return false;
}

void LogSignature(const std::string& refusal, uint64_t serial) {
  if (refusal.empty()) installlog::Info("signature accepted, serial " + std::to_string(serial));
  else installlog::Fail("signature refused: " + refusal);
}

void LogPackageCheck(const std::string& file, uint32_t openError, const std::string& crcText,
                     const std::string& wantedCrc, bool hashMatches, bool accepted) {
  const std::string name = "package " + FromAnsi(file);
  if (openError != 0) {
    installlog::Fail(name + " cannot be opened: " + installlog::ErrorWords(openError));
  } else if (accepted) {
    installlog::Info(name + ": checksum " + FromAnsi(crcText) + " accepted");
  } else if (crcText != wantedCrc) {
    installlog::Fail(name + ": checksum " + FromAnsi(crcText) + ", the manifest says " + FromAnsi(wantedCrc) +
                     "; deleted");
  } else {
    installlog::Fail(name + ": " + (hashMatches ? "refused" : "SHA-256 differs from the manifest's") + "; deleted");
  }
}

void LogPackageReused(const std::string& file) {
  installlog::Info("package " + FromAnsi(file) + " from an earlier run is reused");
}

void LogFallback(const std::string& whyUtf8) { installlog::Fail("fallback to one synchronous fetch: " + whyUtf8); }

void LogFailureNotice(uint32_t jobId) { installlog::Info("failure notice of job " + std::to_string(jobId)); }

void LogInterrupted() { installlog::Fail("the download stopped; the window offers to continue"); }

void LogBaseServiceFailed(bool onServiceHost) {
  installlog::Fail(onServiceHost ? "base service job failed on the service host too; the install stops here"
                                 : "base service job failed; the service host is tried next");
}

void LogUnpack(const std::string& destination, bool ok, const ExtractResult& detail) {
  const std::string counts = "unpack into " + FromAnsi(destination) + ": " + std::to_string(detail.count) +
                             " of " + std::to_string(detail.counted.size()) + " entries";
  if (ok) installlog::Info(counts);
  else installlog::Fail(counts + (detail.failed ? ", some could not be written" : "") + "; the unpack failed");
}

void LogComponent(const std::string& target, const char* outcome) {
  const std::string line = "component " + FromAnsi(target) + ": " + outcome;
  const std::string o = outcome;
  if (o == "refused" || o == "failed") installlog::Fail(line);
  else installlog::Info(line);
}

void LogShortcut(const std::string& target) { installlog::Info("desktop shortcut to " + FromAnsi(target)); }

void LogClose(int page) { installlog::Info("close on page " + std::to_string(page)); }

void LogLaunch(const std::string& program, bool started) {
  if (started) installlog::Info("launch " + FromAnsi(program));
  else installlog::Fail("launch " + FromAnsi(program) + " failed");
}

void LogRegistrationError(const std::string& what) { installlog::Fail("registration stopped: " + FromAnsi(what)); }

}  // namespace app

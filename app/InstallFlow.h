// The install flow: what the window's handlers do, from the first showing to
// registration. One object per window, created where the window is created;
// it binds its handlers to the window's controls while it lives. Everything
// runs on the UI thread. The methods are grouped by file:
//   InstallSequence.cpp  start-up steps, pages 0 and 1, the package download,
//                        the polling timers, the engine's failure notice
//   Manifest.cpp         GetNewVer
//   Components.cpp       the base service and the three drivers
//   Registration.cpp     close, launch, registry values and shortcut
#pragma once
#include <atomic>
#include <memory>
#include <string>

#include "download/DownloadJob.h"
#include "platform/fs.h"
#include "ui/FSpeedInstall.h"

namespace app {

class TInstallFlow {
 public:
  explicit TInstallFlow(ui::TfrmSpeedInstall& form);
  ~TInstallFlow();
  TInstallFlow(const TInstallFlow&) = delete;
  TInstallFlow& operator=(const TInstallFlow&) = delete;

  ui::TfrmSpeedInstall& form() { return form_; }

  // The window's handlers (bound in the constructor).
  void ShowStarting();
  void lblAZClick();
  void lblFHClick();
  void lblLLClick();
  void lblLJAZClick();
  void lblXZClick();
  void lblCloseClick();  // Registration.cpp
  void lblWCClick();     // Registration.cpp
  void tmr1Timer();
  void tmr2Timer();
  void tmr3Timer();
  void HandleDownloadFailed(uint32_t jobId);

  // Install sequence.
  void StartupSteps();
  void GetDefaultInstallPath();
  void StartPackageDownload();

  // Manifest.
  bool GetNewVer();

  // Components.
  void DownloadAttachedFiles();
  // A base service just fetched to `fetched` (empty: its fetch name): checked,
  // then put in place.
  void BaseServiceFetched(const std::string& fetched);
  void DownloadSWUkeyDrive();
  void DownloadKDPDrive();
  void DownloadSKPDrive();
  // tmr3's completion step: tmr3 is already disabled.
  void BaseServiceDownloaded();
  // HandleDownloadFailed while tmr3 polls the base-service job (tmr1 is off).
  void BaseServiceDownloadFailed();

  // The job created last (main package or base service); a new one replaces
  // the reference. The manager holds its own reference until its run ends.
  std::shared_ptr<TDownloadJob> CurrentJob;
  std::string PackageFile;  // WorkDir + "\Downloads\" + PackageName
  bool SyncFallback = false;
  // Set when the close on the installing page begins: from then on no timer
  // and no notice starts a download, an unpack or the components. Read by a
  // component fetch's abort check, on whatever thread asks it.
  std::atomic<bool> Closing{false};

 private:
  // Binds the handlers above to the window, or (false) leaves it none of them.
  void Bind(bool bound);
  // Shared body of tmr1Timer and tmr3Timer: shows the job's percentage; true
  // when the job is finished and `timer` has been disabled.
  bool PollCurrentJob(ui::Timer& timer);
  bool HoldMatchingPackage(platform::File* package, const std::string& file, bool emptyCrcAccepts);
  // Unpacks through the held package, closes it, then the components or the message.
  void UnpackThenComponents(platform::File& package, const char* failureText);
  void ProcessMessages();
  // The registry values and the shortcut; an error is shown and gives false.
  bool RegisterOrShow();
  void SetTimer(ui::Timer& timer, bool enabled) { form_.SetTimerEnabled(timer, enabled); }

  ui::TfrmSpeedInstall& form_;
};

// Where the product's folder is registered; the next install reads it back.
constexpr char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\VeltaroTesmar\\";
// Segments of each download job.
constexpr int32_t kSegments = 2;

// IsInstallYCS: the base service is installed in version "2.00" or later
// (byte-wise comparison of the version texts).
bool IsInstallYCS();

}  // namespace app

// The install sequence: where the installation goes, how the main package is
// obtained (reused, downloaded by a job, or fetched at once as a fallback), and
// when it is unpacked.
#include "app/FlowLog.h"
#include "app/FlowValues.h"
#include "app/InstallFlow.h"
#include "app/ReleaseCheck.h"
#include "common/BrowseForFolderU.h"
#include "common/KpLib.h"
#include "common/LogEvents.h"
#include "common/OldPackages.h"
#include "common/OwnFolders.h"
#include "common/ReleaseLayout.h"
#include "common/pubShare.h"
#include "download/FetchToFile.h"
#include "download/JobLog.h"
#include "download/JobTargets.h"
#include "download/PubCrc.h"
#include "platform/dialog.h"
#include "platform/fs.h"
#include "platform/safe_fs.h"
#include "platform/system.h"
#include "unpack/PubZip.h"

namespace app {

namespace {
const char kProductFolder[] = "VeltaroPlatform";

void ShowUnknownMethodBox() {
  LogMessageBox("Unknown Compression Method");
  platform::ShowMessageBox(nullptr, u"Unknown Compression Method", u"Zip Error", platform::kMbOk);
}

bool EndsInSeparator(const std::string& s) {
  if (s.empty()) return false;
  return s.back() == '/' || LastBackslash(s) == s.size() - 1;
}
}  // namespace

TInstallFlow::TInstallFlow(ui::TfrmSpeedInstall& form) : form_(form) { Bind(true); }

TInstallFlow::~TInstallFlow() { Bind(false); }

void TInstallFlow::Bind(bool bound) {
  auto to = [this, bound](void (TInstallFlow::*handler)()) {
    return bound ? std::function<void()>([this, handler] { (this->*handler)(); }) : nullptr;
  };
  form_.onShow = to(&TInstallFlow::ShowStarting);
  form_.lblAZ->onClick = to(&TInstallFlow::lblAZClick);
  form_.lblFH->onClick = to(&TInstallFlow::lblFHClick);
  form_.lblLL->onClick = to(&TInstallFlow::lblLLClick);
  form_.lblLJAZ->onClick = to(&TInstallFlow::lblLJAZClick);
  form_.lblXZ->onClick = to(&TInstallFlow::lblXZClick);
  form_.lblWC->onClick = to(&TInstallFlow::lblWCClick);
  for (ui::Label* close : form_.closeButtons()) close->onClick = to(&TInstallFlow::lblCloseClick);
  form_.tmr1.onTimer = to(&TInstallFlow::tmr1Timer);
  form_.tmr2.onTimer = to(&TInstallFlow::tmr2Timer);
  form_.tmr3.onTimer = to(&TInstallFlow::tmr3Timer);
  form_.onDownloadFailed = nullptr;
  if (bound) form_.onDownloadFailed = [this](uint32_t jobId) { HandleDownloadFailed(jobId); };
}

void TInstallFlow::ProcessMessages() {
  if (form_.host()) form_.host()->ProcessMessages();
}

// AppDir is the window's own first step (its pictures need it).
void TInstallFlow::StartupSteps() {
  SyncFallback = false;
  DriveRoot = PickInstallDrive();
  if (DriveRoot.empty()) DriveRoot = "C:\\";
  WorkDir = DriveRoot + "Program Files\\Veltaro\\InstVeltaro\\";
  WorkDirOwn = PrepareOwnFolder(WorkDir, true, "Downloads");
  OpenFlowLog();
}

void TInstallFlow::ShowStarting() {
  StartupSteps();
  GetNewVer();
}

void TInstallFlow::lblAZClick() {
  form_.nbMain->SetPageIndex(1);
  if (form_.edtAZLJ->text.empty()) GetDefaultInstallPath();
  form_.Changed();
}

void TInstallFlow::lblFHClick() {
  form_.nbMain->SetPageIndex(0);
  form_.Changed();
}

void TInstallFlow::GetDefaultInstallPath() {
  std::string p = ReadRegString(kAppPathsKey, "Path");
  if (p.empty() || !platform::FileExists(p + release::kMainProgram)) p.clear();
  if (!p.empty()) {
    form_.edtAZLJ->text = p.substr(0, p.size() - 1);
  } else if (!DriveRoot.empty()) {
    form_.edtAZLJ->text = DriveRoot + "Program Files\\Veltaro\\" + kProductFolder;
  }
  form_.Changed();
}

void TInstallFlow::lblLLClick() {
  const std::string c = form_.edtAZLJ->text;
  std::string f = BrowseForFolder(u"请选择安装文件夹", c);
  if (f.empty()) f = form_.edtAZLJ->text;
  if (f.find(kProductFolder) == std::string::npos)
    f += EndsInSeparator(f) ? std::string(kProductFolder) : std::string("\\") + kProductFolder;
  if (!f.empty()) form_.edtAZLJ->text = f;
  form_.Changed();
}

void TInstallFlow::lblLJAZClick() {
  if (form_.edtAZLJ->text.empty()) return form_.ShowInfo("请您先设置安装位置");
  InstallDir = form_.edtAZLJ->text;
  if (InstallDir.find(kProductFolder) == std::string::npos) InstallDir += std::string("\\") + kProductFolder;
  // An earlier install's folder (it holds the main program) is protected like a new one.
  if (!PrepareOwnFolder(InstallDir, platform::FileExists(InstallDir + "\\" + release::kMainProgram)))
    return form_.ShowInfo("此目录不可使用，请您重新选择安装位置");
  // A manifest whose name was refused counts as no manifest.
  if (PackageName.empty() && (!GetNewVer() || PackageName.empty())) return form_.ShowInfo("下载版本文件失败");
  PackageFile = WorkDir + "\\Downloads\\" + PackageName;

  if (platform::FileExists(PackageFile)) {
    platform::File package;
    if (HoldMatchingPackage(&package, PackageFile, false)) {
      LogPackageReused(PackageFile);
      form_.ShowProgress(99);
      form_.nbMain->SetPageIndex(2);
      form_.Changed();
      ProcessMessages();
      UnpackThenComponents(package, "安装失败");
      return;
    }
  }

  // The ".zip" files of earlier runs go; the engine's ".rpc" and ".rpc.cfg"
  // stay, so that an interrupted download resumes.
  DeleteOldPackages(WorkDir + "Downloads");
  form_.nbMain->SetPageIndex(2);
  form_.Changed();
  platform::SleepMs(100);
  StartPackageDownload();
}

void TInstallFlow::lblXZClick() { StartPackageDownload(); }

void TInstallFlow::StartPackageDownload() {
  // The working state first: no second click starts a second download while
  // the earlier job ends.
  form_.ShowWorkingState();
  // The earlier job on the package, if any, is no longer the current one (no
  // notice of it counts as the download's); it is stopped and let finish
  // first, so that the new one resumes from its state.
  const std::shared_ptr<TDownloadJob> earlier = CurrentJob;
  CurrentJob.reset();
  if (earlier) earlier->Cancel();
  WaitForEarlierJob(PackageFile, kEarlierJobWaitMs, [this] { ProcessMessages(); });
  if (Closing) return;
  // Whatever stands at the package's name is not the package: a name that
  // cannot be cleared fails as the download would, to the fallback.
  if (platform::RemoveSafely(PackageFile) != 0) return SetTimer(form_.tmr2, true);
  CurrentJob = TDownloadJob::Create(PackageUrl, PackageFile, kSegments);
  LogJobStart(*CurrentJob);
  SetTimer(form_.tmr1, true);
}

bool TInstallFlow::PollCurrentJob(ui::Timer& timer) {
  // A local reference: nothing run from here can release the job under us.
  std::shared_ptr<TDownloadJob> job = CurrentJob;
  if (!job) {
    SetTimer(timer, false);
    return false;
  }
  int32_t p = job->GetPercent();
  if (p > 0) {
    if (p > 100) {
      job->Finished = true;
      p = 100;
    }
    form_.ShowProgress(p);
  }
  if (!job->Finished) return false;
  SetTimer(timer, false);
  return true;
}

// The package is opened once, denying others writes and deletes, and checked
// through that handle; the unpack then reads through it, so the bytes checked
// are the bytes unpacked. With `emptyCrcAccepts` an empty checksum of the
// manifest accepts any package. A package that does not match is deleted. With
// signed releases its hash must match as well.
bool TInstallFlow::HoldMatchingPackage(platform::File* package, const std::string& file, bool emptyCrcAccepts) {
  const uint32_t openError = package->OpenHeld(file);
  if (openError == 0) {
    const PackageDigest d = DigestPackage(*package);
    const bool accepted = ((emptyCrcAccepts && PackageCrc.empty()) || d.crcText == PackageCrc) && d.hashMatches;
    LogPackageCheck(file, 0, d.crcText, PackageCrc, d.hashMatches, accepted);
    if (accepted) return true;
    package->Close();
  } else {
    LogPackageCheck(file, openError, std::string(), PackageCrc, false, false);
  }
  platform::RemoveSafely(file);
  return false;
}

void TInstallFlow::tmr1Timer() {
  if (Closing) return SetTimer(form_.tmr1, false);
  if (!PollCurrentJob(form_.tmr1)) return;
  platform::File package;
  // The file this job completed, under whatever name it found free (none
  // when the percentage ran over and the flow finished the job itself).
  const std::string completed = CurrentJob->FinalName();
  if (!HoldMatchingPackage(&package, completed.empty() ? PackageFile : completed, true)) {
    // As the first failure notice would: the fallback fetch one second later.
    LogFallback("the downloaded package is not the manifest's");
    if (CurrentJob) CurrentJob->Cancel();
    SetTimer(form_.tmr2, true);
    return;
  }
  UnpackThenComponents(package, "安装失败");
}

void TInstallFlow::tmr2Timer() {
  SetTimer(form_.tmr2, false);
  if (Closing) return;
  SyncFallback = true;
  platform::File package;
  if (!FetchToFile(PackageUrl, PackageFile, true) || !HoldMatchingPackage(&package, PackageFile, true)) {
    return form_.ShowInfo("下载失败");
  }
  // The failed job's resume files describe nothing that is still needed.
  WaitForEarlierJob(PackageFile, kEarlierJobWaitMs, [this] { ProcessMessages(); });
  if (Closing) return;
  platform::RemoveSafely(PackageFile + ".rpc");
  platform::RemoveSafely(PackageFile + ".rpc.cfg");
  UnpackThenComponents(package, "解压失败");
}

void TInstallFlow::tmr3Timer() {
  if (Closing) return SetTimer(form_.tmr3, false);
  if (!PollCurrentJob(form_.tmr3)) return;
  BaseServiceFetched(CurrentJob->FinalName());
  BaseServiceDownloaded();
}

void TInstallFlow::UnpackThenComponents(platform::File& package, const char* failureText) {
  ui::Host* host = form_.host();
  ExtractResult detail;
  const bool ok = UnpackPackage(package, InstallDir, [host](const UnpackProgress& p) {
    if (p.unknownMethod) ShowUnknownMethodBox();  // at the entry: the unpack waits for the click
    if (host) host->ProcessMessages();
  }, &detail);
  package.Close();
  LogUnpack(InstallDir, ok, detail);
  ProtectBelowClaimed(InstallDir);
  if (ok) DownloadAttachedFiles();
  else form_.ShowInfo(failureText);
}

void TInstallFlow::HandleDownloadFailed(uint32_t jobId) {
  // Only the job in CurrentJob speaks for the download: a job the flow has
  // replaced (the base service's first job, whose other segment fails after
  // the move to the service host; the job before "继续安装") may still send.
  if (Closing || !CurrentJob || CurrentJob->Id != jobId) return;
  LogFailureNotice(jobId);
  if (form_.tmr1.enabled) {
    LogFallback("the download job reported a failure");
    SetTimer(form_.tmr1, false);
    CurrentJob->Cancel();
    SetTimer(form_.tmr2, true);
  } else if (form_.tmr3.enabled) {
    BaseServiceDownloadFailed();
  } else {
    LogInterrupted();
    form_.ShowInterruptedState();
  }
}

}  // namespace app

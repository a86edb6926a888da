// Leaving the installer: the close buttons (registration on the completion
// page) and the launch button.
#include <cstdio>
#include <exception>

#include "app/FlowLog.h"
#include "app/FlowValues.h"
#include "app/InstallFlow.h"
#include "app/ServerConfig.h"
#include "common/DesktopShortcut.h"
#include "common/ReleaseLayout.h"
#include "common/pubShare.h"
#include "platform/codepage.h"
#include "platform/dialog.h"
#include "platform/localtime.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/system.h"

namespace app {

namespace {
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VeltaroTesmar\\";
constexpr uint32_t kCancelWaitMs = 5000;

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// "yyyy-mm-dd HH:MM:SS" with the system's time separator.
std::string InstallTimeText() {
  const platform::LocalTime t = platform::LocalTimeNow();
  const std::string sep = platform::TimeSeparator();
  char date[16], hh[4], mm[4], ss[4];
  std::snprintf(date, sizeof date, "%04u-%02u-%02u", t.year % 10000, t.month % 100, t.day % 100);
  std::snprintf(hh, sizeof hh, "%02u", t.hour % 100);
  std::snprintf(mm, sizeof mm, "%02u", t.minute % 100);
  std::snprintf(ss, sizeof ss, "%02u", t.second % 100);
  return std::string(date) + " " + hh + sep + mm + sep + ss;
}

// The uninstall entry, the shortcut, the application path and the URL
// protocol. Only a shortcut object that cannot be made stops it (it throws).
void RegisterProduct(const std::string& dir) {
  WriteRegString(kUninstallKey, "DisplayIcon", Quoted(dir + "\\" + release::kLauncher));
  WriteRegString(kUninstallKey, "DisplayName", "Veltaro365");
  WriteRegString(kUninstallKey, "DisplayVersion", ProductVersion);
  WriteRegString(kUninstallKey, "UninstallString", Quoted(dir + "\\" + release::kUninstaller));
  WriteRegString(kUninstallKey, "HelpLink", WebSiteUrl());
  WriteRegString(kUninstallKey, "URLInfoAbout", WebSiteUrl());
  WriteRegString(kUninstallKey, "Publisher", kPublisherName);
  CreateDesktopShortcut(dir);
  LogShortcut(dir + "\\" + release::kLauncher);
  WriteRegString(kAppPathsKey, "", dir + "\\" + release::kLauncher);
  WriteRegString(kAppPathsKey, "Path", dir + "\\");
  WriteRegString(kAppPathsKey, "InstallTime", InstallTimeText());
  WriteRegString("vlttesmar", "", "URL:vlt Protocol Handler", kRootClassesRoot);
  WriteRegString("vlttesmar", "URL Protocol", "", kRootClassesRoot);
  WriteRegString("vlttesmar\\DefaultIcon", "", Quoted(dir + "\\" + release::kUrlIcon), kRootClassesRoot);
  WriteRegString("vlttesmar\\Shell\\open", "FriendlyAppName", "Veltaro", kRootClassesRoot);
  WriteRegString("vlttesmar\\Shell\\open\\command", "", Quoted(dir + "\\" + release::kUrlHandler) + " \"%1\"",
                 kRootClassesRoot);
}
}  // namespace

void TInstallFlow::lblCloseClick() {
  const int page = form_.nbMain->pageIndex();
  LogClose(page);
  if (page == 2) {
    Closing = true;
    // A synchronous fetch may be running further down the stack: no waiting.
    if (SyncFallback) platform::EndProcessNow();
    if (!CurrentJob) {
      SetTimer(form_.tmr1, false);
      platform::EndProcessNow();
    }
    const std::shared_ptr<TDownloadJob> job = CurrentJob;
    if (job->Running == 1) {
      job->Cancel();
      const uint32_t start = platform::TickCount();
      while (job->Running == 1 && platform::TickCount() - start < kCancelWaitMs) ProcessMessages();
      platform::SleepMs(200);
    }
  } else if (page == 3) {
    if (!RegisterOrShow()) return;
  }
  // Every polling timer stops before the job goes, so no handler meets a
  // released job; a manager still running keeps its own reference.
  SetTimer(form_.tmr1, false);
  SetTimer(form_.tmr2, false);
  SetTimer(form_.tmr3, false);
  CurrentJob.reset();
  if (form_.host()) form_.host()->Close();
}

bool TInstallFlow::RegisterOrShow() {
  try {
    RegisterProduct(InstallDir);
    return true;
  } catch (const std::exception& e) {
    LogRegistrationError(e.what());
    // As any error that escapes a handler: shown, and the window stays.
    platform::ShowMessageBox(form_.host() ? form_.host()->Handle() : nullptr, platform::AnsiToWide(e.what()),
                             u"Veltaro", platform::kMbOk | platform::kMbIconError);
    return false;
  }
}

// Most users leave through this button: the product is registered as the close
// registers it (or the next run would not find the folder), then started.
void TInstallFlow::lblWCClick() {
  if (!RegisterOrShow()) return;
  const std::string launcher = InstallDir + "\\" + release::kLauncher;
  LogLaunch(launcher, platform::ShellOpen(form_.host() ? form_.host()->AppHandle() : nullptr, launcher, InstallDir));
  if (form_.host()) form_.host()->Close();
}

}  // namespace app

#include "app/Startup.h"

#include "app/WindowsSysVersion.h"
#include "common/pubShare.h"
#include "platform/instance.h"
#include "platform/shell.h"

namespace {
const char kInstanceMutexName[] = "VeltaroSetup.Window";
const char16_t kWindowClass[] = u"TfrmSpeedInstall";
constexpr uint32_t kFirstWindowWaitMs = 5000;
}  // namespace

int StartInstaller(bool hasArgument, const std::function<void()>& showWindow) {
  if (hasArgument || ClassifyWindowsVersion() == winver::kWindowsXp ||
      ClassifyWindowsVersion() == winver::kWindowsXp64) {
    // One window at a time works on the installation's folders: a second copy
    // (a download double-clicked) hands over to the first and shows nothing.
    platform::InstanceMutex instance;
    if (!instance.Acquire(kInstanceMutexName)) {
      platform::BringWindowToFront(kWindowClass, kFirstWindowWaitMs);
      return 0;
    }
    showWindow();
    return 0;
  }
  // No window exists yet, so the restart has no owner.
  RunElevated(nullptr, platform::ModulePath(), "UAC");
  return 0;
}

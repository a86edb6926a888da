#include "app/Startup.h"

#include "app/WindowsSysVersion.h"
#include "common/pubShare.h"
#include "platform/shell.h"

int StartInstaller(bool hasArgument, const std::function<void()>& showWindow) {
  if (hasArgument || ClassifyWindowsVersion() == winver::kWindowsXp ||
      ClassifyWindowsVersion() == winver::kWindowsXp64) {
    showWindow();
    return 0;
  }
  // No window exists yet, so the restart has no owner.
  RunElevated(nullptr, platform::ModulePath(), "UAC");
  return 0;
}

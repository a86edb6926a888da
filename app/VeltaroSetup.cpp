// VeltaroSetup.exe: the online installer.
#include "app/InstallFlow.h"
#include "app/Startup.h"
#include "ui/win32/Application.h"

int main(int argc, char** argv) {
  (void)argv;
  return StartInstaller(argc > 1, [] {
    ui::win32::RunApplication(
        [](ui::TfrmSpeedInstall& form) { return std::make_unique<app::TInstallFlow>(form); });
  });
}

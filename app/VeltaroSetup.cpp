// VeltaroSetup.exe: the online installer.
#include "app/FlowValues.h"
#include "app/InstallFlow.h"
#include "app/ReleaseKeyPem.h"
#include "app/Startup.h"
#include "download/UserProxy.h"
#include "platform/crypto.h"
#include "platform/dll_search.h"
#include "ui/win32/Application.h"

int main(int argc, char** argv) {
  platform::NarrowDllSearch();  // before anything can load a DLL
  (void)argv;
  // A build with a key checks every release, even when the key fails to decode.
  app::SignedReleases = kReleaseKeyPem[0] != '\0';
  if (app::SignedReleases) app::ReleaseKeyDer = platform::PublicKeyPemToDer(kReleaseKeyPem);
  // The user's proxy, as the browser uses it; with none, requests go direct as ever.
  static UserProxyFinder proxy(ReadInternetSettings());
  if (proxy.Any()) SetHttpProxyFinder(&proxy);
  return StartInstaller(argc > 1, [] {
    ui::win32::RunApplication(
        [](ui::TfrmSpeedInstall& form) { return std::make_shared<app::TInstallFlow>(form); });
  });
}

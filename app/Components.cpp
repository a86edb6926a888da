// The dependent components: the base service and the three drivers below
// InstallDir, fetched when missing.
#include "app/FlowValues.h"
#include "app/InstallFlow.h"
#include "app/ServerConfig.h"

namespace app {

// EMPTY until the components land (branch flow-reg): shows the completion page
// so that the flow reaches its end meanwhile.
void TInstallFlow::DownloadAttachedFiles() {
  form_.nbMain->SetPageIndex(3);
  form_.Changed();
}

// EMPTY until the components land.
bool IsInstallYCS() { return false; }

// EMPTY until the components land.
void TInstallFlow::DownloadSWUkeyDrive() {}
void TInstallFlow::DownloadKDPDrive() {}
void TInstallFlow::DownloadSKPDrive() {}

// EMPTY until the components land: tmr3's completion step.
void TInstallFlow::BaseServiceDownloaded() {}

// EMPTY until the components land: HandleDownloadFailed while tmr3 polls.
void TInstallFlow::BaseServiceDownloadFailed() {}

}  // namespace app

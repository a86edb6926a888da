// Leaving the installer: the close buttons (registration on the completion
// page) and the launch button.
#include "app/FlowValues.h"
#include "app/InstallFlow.h"
#include "app/ServerConfig.h"

namespace app {

// EMPTY until registration lands (branch flow-reg): closes the window.
void TInstallFlow::lblCloseClick() {
  SetTimer(form_.tmr1, false);
  CurrentJob.reset();
  if (form_.host()) form_.host()->Close();
}

// EMPTY until registration lands: closes the window.
void TInstallFlow::lblWCClick() {
  if (form_.host()) form_.host()->Close();
}

}  // namespace app

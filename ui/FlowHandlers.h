// What the window's handlers reach in the install flow. The flow lives above
// the window (app/) and is attached where the program or a test creates it;
// without one the window only turns its own pages and closes.
#pragma once
#include <cstdint>

namespace ui {

class FlowHandlers {
 public:
  virtual ~FlowHandlers() = default;
  // FormShow, before the version labels: the start-up steps and the manifest.
  virtual void ShowStarting() = 0;
  virtual void lblAZClick() = 0;
  virtual void lblFHClick() = 0;
  virtual void lblLLClick() = 0;
  virtual void lblLJAZClick() = 0;
  virtual void lblXZClick() = 0;
  virtual void lblCloseClick() = 0;
  virtual void lblWCClick() = 0;
  virtual void tmr1Timer() = 0;
  virtual void tmr2Timer() = 0;
  virtual void tmr3Timer() = 0;
  // WM_DOWNLOAD_FAILED of the job numbered `jobId`.
  virtual void HandleDownloadFailed(uint32_t jobId) = 0;
};

}  // namespace ui

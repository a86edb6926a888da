// The installer's one window, TfrmSpeedInstall: a borderless 640 x 480 window
// whose content is four pages (welcome, install location, installing,
// completed). The tree is built in FSpeedInstallLayout.cpp; a Host shows it.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/HttpProgress.h"
#include "ui/Control.h"
#include "ui/Host.h"

namespace ui {

constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;
constexpr Color kFrameColor = 0xC0C0C0;

class TfrmSpeedInstall : public HttpProgressHandlers {
 public:
  TfrmSpeedInstall();
  ~TfrmSpeedInstall() override;

  // The host that shows the window; set before FormShow.
  void AttachHost(Host* host) { host_ = host; }
  Host* host() const { return host_; }

  // The install flow's part, bound by the flow (app/) to these and to its
  // controls' clicks and timers. Without a flow the window only turns its own
  // pages and closes.
  std::function<void()> onShow;  // FormShow, before the version labels
  std::function<void(uint32_t)> onDownloadFailed;

  std::string caption;  // UTF-8, as every text the window draws
  Font font;            // the window's default font

  // Every control in creation order (the image pass walks this).
  const std::vector<std::unique_ptr<Control>>& components() const { return components_; }
  Control* root() const { return root_; }
  Control* Find(const std::string& name) const;  // exact name, or null
  std::vector<Timer*> timers() { return {&tmr1, &tmrPic, &tmr2, &tmr3}; }
  std::vector<Label*> closeButtons() { return {lblClose, lblClose2, lblClose31, lblClose32, lblClose33, lblClose4}; }

  // The download engine's notice that the download of job `jobId` stopped
  // (WM_DOWNLOAD_FAILED).
  void HandleDownloadFailed(uint32_t jobId) {
    if (onDownloadFailed) onDownloadFailed(jobId);
  }

  // Runs once, before the window first becomes visible.
  void FormShow();

  // Progress display: N % in lblJD and a fill of N * width(pnlJD) / 100.
  void ShowProgress(int percent);
  void HttpWorkBegin(int32_t workCountMax) override;
  void HttpWork(int32_t workCount) override;
  void HttpWorkEnd() override;

  // Progress strip states of page 2.
  void ShowWorkingState();
  void ShowInterruptedState();

  // A modal box owned by the window: caption "提示", information icon, OK;
  // `text` in UTF-8.
  void ShowInfo(const std::string& text);

  void SetTimerEnabled(Timer& timer, bool enabled);
  // Tells the host that the tree needs painting; labels without fixed size
  // first take the size of their text, so their hit areas follow it.
  void Changed();

  // Pages and controls.
  Control* root_ = nullptr;
  PageStack* nbMain = nullptr;
  Panel *pnlAZ = nullptr, *pnlXZ = nullptr, *pnlInstalling = nullptr, *pnlWC = nullptr;
  PageStack* nbPicBrowse = nullptr;
  Panel *pnlPic1 = nullptr, *pnlPic2 = nullptr, *pnlPic3 = nullptr, *pnlXZ1 = nullptr, *pnlJD = nullptr;
  Picture *imgBg1 = nullptr, *imgbtn_AZ = nullptr, *imgClose = nullptr, *imgico_bb = nullptr;
  Label *lblAZ = nullptr, *lblBT = nullptr, *lblVersion = nullptr, *lblClose = nullptr, *lblTS1 = nullptr,
        *lbl_ts = nullptr;
  Picture *imgBg2 = nullptr, *imgbtn_LJAZ = nullptr, *imgbtn_LL = nullptr, *imginput_azlj = nullptr,
          *imgSettingIcon = nullptr, *imgClose2 = nullptr;
  Label *lblLJAZ = nullptr, *lblFH = nullptr, *lblLL = nullptr, *lblSZ3 = nullptr, *lbl2 = nullptr,
        *lblVersion2 = nullptr, *lblClose2 = nullptr;
  Edit* edtAZLJ = nullptr;
  Picture *imgBg31 = nullptr, *imgClose31 = nullptr, *img32 = nullptr, *imgClose32 = nullptr, *img33 = nullptr,
          *imgClose33 = nullptr, *imgbtn_XZ = nullptr;
  Label *lblClose31 = nullptr, *lblClose32 = nullptr, *lblClose33 = nullptr, *lblDownLoadState = nullptr,
        *lblJD = nullptr, *lblErrorHint = nullptr, *lblXZ = nullptr, *lblJDT = nullptr;
  Picture *imgBg4 = nullptr, *imgbtn_WC = nullptr, *imgWCIcon = nullptr, *imgClose4 = nullptr;
  Label *lblWC = nullptr, *lbl3 = nullptr, *lblClose4 = nullptr;

  Timer tmr1{100, false, {}};
  Timer tmrPic{4000, true, {}};  // the slideshow of page 2
  Timer tmr2{1000, false, {}};
  Timer tmr3{100, false, {}};

  int PicIndex = 0;

 private:
  template <typename T, typename... Args>
  T* Add(Args&&... args);
  void BuildPage0();
  void BuildPage1();
  void BuildPage2();
  void BuildPage3();
  // The label's face picture as the pointer comes and goes (and, with `down`,
  // presses and releases).
  void WireFace(Label* label, const char* enter, const char* down);
  void WireDrag(Control* control);
  void ShowStripState(bool interrupted);
  void tmrPicTimer();
  void FitLabelsToText();

  Host* host_ = nullptr;
  std::vector<std::unique_ptr<Control>> components_;
};

// Program-wide values the window uses.
extern std::string AppDir;      // folder of the running executable, with a trailing backslash
extern std::string ProductVersion;
extern int32_t HttpWorkMax;     // expected byte count of the synchronous transfer, 0 when none

// The percentage of `count` of `max` bytes, floored and capped at 100; -1 when
// no size is announced (max <= 0).
int ProgressPercent(int32_t count, int32_t max);

}  // namespace ui

#include "ui/FSpeedInstall.h"

#include <cmath>

#include "common/KpLib.h"
#include "common/LogEvents.h"
#include "platform/codepage.h"
#include "platform/dialog.h"
#include "platform/shell.h"
#include "ui/UnitFormImage5.h"

namespace ui {

std::string AppDir;
std::string ProductVersion;
int32_t HttpWorkMax = 0;

TfrmSpeedInstall::~TfrmSpeedInstall() {
  if (GetHttpProgressHandlers() == this) SetHttpProgressHandlers(nullptr);
}

Control* TfrmSpeedInstall::Find(const std::string& name) const {
  for (const auto& c : components_)
    if (c->name() == name) return c.get();
  return nullptr;
}

void TfrmSpeedInstall::SetTimerEnabled(Timer& timer, bool enabled) {
  if (timer.enabled == enabled) return;
  timer.enabled = enabled;
  if (host_) host_->TimerChanged(timer);
}

void TfrmSpeedInstall::ShowInfo(const std::string& text) {
  LogMessageBox(text);
  platform::ShowMessageBox(host_ ? host_->Handle() : nullptr, platform::Utf8ToWide(text), u"提示",
                           platform::kMbOk | platform::kMbIconInformation);
}

void TfrmSpeedInstall::Changed() {
  if (!host_) return;
  FitLabelsToText();
  host_->Invalidate();
}

void TfrmSpeedInstall::FitLabelsToText() {
  for (const auto& c : components_) {
    if (c->kind() != Kind::Label) continue;
    auto& l = static_cast<Label&>(*c);
    // An empty text measures as a blank, so the label keeps a line's height.
    if (!l.fixedSize) host_->MeasureText(l.font, l.text.empty() ? " " : l.text, &l.width, &l.height);
  }
}

void TfrmSpeedInstall::FormShow() {
  // The install flow's start-up steps and the manifest come with it; until then
  // the version labels stay empty.
  AppDir = FolderPart(platform::ModulePath());
  if (onShow) onShow();
  // The manifest is written in GBK, whatever this system's code page; where
  // code page 936 is not installed, the system's own page reads it.
  std::u16string version = platform::GbkToWide(ProductVersion);
  if (version.empty()) version = platform::AnsiToWide(ProductVersion);
  lblVersion->text = platform::WideToUtf8(version);
  lblVersion2->text = lblVersion->text;
  LoadFormImages(*this);
  nbMain->SetPageIndex(0);
  edtAZLJ->text.clear();
  LoadPngImage(AppDir + "res\\ZJM\\bg_JSAZ.png", imgBg2);
  LoadGifImage(AppDir + "res\\ZJM\\bg_JSAZ1.gif", imgBg1);
  LoadPngImage(AppDir + "res\\ZJM\\bg_JSAZ.png", imgBg4);
  LoadPngImage(AppDir + "res\\ZJM\\bg_banben.png", imgico_bb);
  nbPicBrowse->SetPageIndex(0);
  lblJDT->width = 0;
  PicIndex = 0;
  SetHttpProgressHandlers(this);
  if (host_) SetNotifyWindow(host_->MakeNotifyTarget());
  Changed();
}

int ProgressPercent(int32_t count, int32_t max) {
  if (max <= 0) return -1;
  long double n = std::floor(static_cast<long double>(count) / static_cast<long double>(max) * 100.0L);
  if (n > 100) return 100;
  // A negative count cannot come from a transfer; it shows as 0 rather than a
  // negative width.
  if (n < 0) return 0;
  return static_cast<int>(n);
}

void TfrmSpeedInstall::ShowProgress(int percent) {
  lblJD->text = std::to_string(percent) + "%";
  lblJDT->width = percent * pnlJD->width / 100;
  Changed();
}

void TfrmSpeedInstall::HttpWorkBegin(int32_t workCountMax) { HttpWorkMax = workCountMax; }

void TfrmSpeedInstall::HttpWork(int32_t workCount) {
  if (host_) host_->ProcessMessages();
  int n = ProgressPercent(workCount, HttpWorkMax);
  if (n < 0) return;
  ShowProgress(n);
  if (host_) host_->ProcessMessages();
}

void TfrmSpeedInstall::HttpWorkEnd() { HttpWorkMax = 0; }

void TfrmSpeedInstall::ShowWorkingState() { ShowStripState(false); }
void TfrmSpeedInstall::ShowInterruptedState() { ShowStripState(true); }

void TfrmSpeedInstall::ShowStripState(bool interrupted) {
  lblDownLoadState->visible = !interrupted;
  lblErrorHint->visible = interrupted;
  lblXZ->visible = interrupted;
  imgbtn_XZ->visible = interrupted;
  Changed();
}

void TfrmSpeedInstall::tmrPicTimer() {
  PicIndex = PicIndex + 1;
  nbPicBrowse->SetPageIndex(PicIndex);
  if (PicIndex == 2) PicIndex = -1;
  Changed();
}

}  // namespace ui

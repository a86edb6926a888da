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

namespace {

constexpr unsigned kCentre = 1, kMiddle = 2, kFixed = 4, kHand = 8, kHidden = 16;

}  // namespace

TfrmSpeedInstall::TfrmSpeedInstall() {
  caption = "极速安装";
  font = Font{"微软雅黑", 14, 0x333333};
  root_ = Add<Panel>("frmSpeedInstall", nullptr, 0, 0, kClientWidth, kClientHeight, kFrameColor);
  nbMain = Add<PageStack>("nbMain", root_, 0, 0, kClientWidth, kClientHeight);
  for (const char* page : {"AZ", "SZ", "XZ", "WC"}) nbMain->AddPageName(page);
  BuildPage0();
  BuildPage1();
  BuildPage2();
  BuildPage3();
}

TfrmSpeedInstall::~TfrmSpeedInstall() {
  if (GetHttpProgressHandlers() == this) SetHttpProgressHandlers(nullptr);
}

template <typename T, typename... Args>
T* TfrmSpeedInstall::Add(Args&&... args) {
  auto c = std::make_unique<T>(std::forward<Args>(args)...);
  T* raw = c.get();
  components_.push_back(std::move(c));
  return raw;
}

Control* TfrmSpeedInstall::Find(const std::string& name) const {
  for (const auto& c : components_)
    if (c->name() == name) return c.get();
  return nullptr;
}

namespace {

struct LabelLook {
  const char* text;
  int fontHeight;
  Color color;
  unsigned look;
  const char* face;
};

Label* Style(Label* l, const std::string& fontName, const LabelLook& s) {
  l->text = s.text;
  l->font = Font{fontName, s.fontHeight, s.color};
  l->centre = s.look & kCentre;
  l->middle = s.look & kMiddle;
  l->fixedSize = s.look & kFixed;
  l->handCursor = s.look & kHand;
  l->visible = !(s.look & kHidden);
  l->faceName = s.face;
  return l;
}

void Wire(Control* c, const char* click, const char* enter, const char* leave, const char* down, const char* up) {
  c->SetHandler(Event::Click, click);
  c->SetHandler(Event::Enter, enter);
  c->SetHandler(Event::Leave, leave);
  c->SetHandler(Event::Down, down);
  c->SetHandler(Event::Up, up);
}

void WireBigButton(Control* c, const char* click) {
  Wire(c, click, "lblAZMouseEnter", "lblAZMouseLeave", "lblAZMouseDown", "lblAZMouseUp");
}
void WireCloseButton(Control* c) { Wire(c, "lblCloseClick", "lblCloseMouseEnter", "lblCloseMouseLeave", "", ""); }
void WireDrag(Control* c) { c->SetHandler(Event::Down, "imgtopMouseDown"); }

}  // namespace

void TfrmSpeedInstall::BuildPage0() {
  const std::string& f = font.name;
  pnlAZ = Add<Panel>("pnlAZ", nbMain, 0, 0, 640, 480, 0xFFFFFF);
  imgBg1 = Add<Picture>("imgBg1", pnlAZ, 0, 0, 640, 480, "", 0);
  WireDrag(imgBg1);
  imgbtn_AZ = Add<Picture>("imgbtn_AZ", pnlAZ, 220, 391, 200, 44, "PubBtn\\btn_LanB200x44", 88);
  lblAZ = Style(Add<Label>("lblAZ", pnlAZ, 220, 391, 200, 44), f,
                {"极速安装", 16, 0xFFFFFF, kCentre | kMiddle | kFixed | kHand, "imgbtn_AZ"});
  WireBigButton(lblAZ, "lblAZClick");
  lblBT = Style(Add<Label>("lblBT", pnlAZ, 228, 56, 183, 28), f, {"Veltaro365全新上线", 21, 0x333333, kMiddle, ""});
  lblVersion = Style(Add<Label>("lblVersion", pnlAZ, 290, 119, 60, 27), f,
                     {"V1.3", 20, 0x666666, kCentre | kMiddle | kFixed | kHidden, ""});
  imgClose = Add<Picture>("imgClose", pnlAZ, 613, 10, 16, 16, "Sys\\btn_guanbi", 99);
  lblClose = Style(Add<Label>("lblClose", pnlAZ, 613, 10, 16, 16), f, {"", 14, 0x333333, kFixed | kHand, "imgClose"});
  WireCloseButton(lblClose);
  lblTS1 = Style(Add<Label>("lblTS1", pnlAZ, 224, 92, 192, 17), f,
                 {"始终致力于为您提供更好的客户体验", 12, 0x999999, kMiddle, ""});
  imgico_bb = Add<Picture>("imgico_bb", pnlAZ, 274, 62, 58, 20, "", 0);
  imgico_bb->visible = false;
  WireDrag(imgico_bb);
  lbl_ts = Style(Add<Label>("lbl_ts", pnlAZ, 274, 62, 58, 20), f,
                 {"Tesmar专版", 12, 0xFFFFFF, kCentre | kMiddle | kFixed | kHidden, ""});
}

void TfrmSpeedInstall::BuildPage1() {
  const std::string& f = font.name;
  pnlXZ = Add<Panel>("pnlXZ", nbMain, 0, 0, 640, 480, 0xFFFFFF);
  imgBg2 = Add<Picture>("imgBg2", pnlXZ, 0, 0, 640, 480, "", 0);
  WireDrag(imgBg2);
  imgbtn_LJAZ = Add<Picture>("imgbtn_LJAZ", pnlXZ, 220, 391, 200, 44, "PubBtn\\btn_LanB200x44", 88);
  lblLJAZ = Style(Add<Label>("lblLJAZ", pnlXZ, 220, 391, 200, 44), f,
                  {"立即安装", 14, 0xFFFFFF, kCentre | kMiddle | kFixed | kHand, "imgbtn_LJAZ"});
  WireBigButton(lblLJAZ, "lblLJAZClick");
  lblFH = Style(Add<Label>("lblFH", pnlXZ, 446, 402, 28, 20), f, {"返回", 14, 0x666666, kHand, ""});
  Wire(lblFH, "lblFHClick", "lblFHMouseEnter", "lblFHMouseLeave", "", "");
  imgbtn_LL = Add<Picture>("imgbtn_LL", pnlXZ, 479, 295, 91, 36, "PubBtn\\btn_BaiB90x36", 99);
  lblLL = Style(Add<Label>("lblLL", pnlXZ, 479, 295, 90, 36), f,
                {"浏览", 14, 0x333333, kCentre | kMiddle | kFixed | kHand, "imgbtn_LL"});
  Wire(lblLL, "lblLLClick", "lblCloseMouseEnter", "lblCloseMouseLeave", "", "");
  imginput_azlj = Add<Picture>("imginput_azlj", pnlXZ, 169, 295, 300, 36, "ZJM\\imput_300x36", 0);
  lblSZ3 = Style(Add<Label>("lblSZ3", pnlXZ, 90, 301, 70, 20), f, {"安装位置：", 14, 0x333333, 0, ""});
  imgSettingIcon = Add<Picture>("imgSettingIcon", pnlXZ, 275, 57, 90, 90, "ZJM\\logo_90x90", 0);
  lbl2 = Style(Add<Label>("lbl2", pnlXZ, 220, 159, 200, 28), f,
               {"欢迎使用Veltaro365", 21, 0x333333, kCentre | kMiddle | kFixed, ""});
  lblVersion2 = Style(Add<Label>("lblVersion2", pnlXZ, 290, 204, 60, 27), f,
                      {"V1.0", 20, 0x666666, kCentre | kMiddle | kFixed, ""});
  imgClose2 = Add<Picture>("imgClose2", pnlXZ, 613, 10, 16, 16, "SYS\\btn_GuanBi", 99);
  lblClose2 = Style(Add<Label>("lblClose2", pnlXZ, 613, 10, 16, 16), f, {"", 14, 0x333333, kFixed | kHand, "imgClose2"});
  WireCloseButton(lblClose2);
  edtAZLJ = Add<Edit>("edtAZLJ", pnlXZ, 174, 303, 292, 20);
  edtAZLJ->font = Font{f, 14, 0x333333};
}

void TfrmSpeedInstall::BuildPage2() {
  const std::string& f = font.name;
  pnlInstalling = Add<Panel>("pnlInstalling", nbMain, 0, 0, 640, 480, 0xFFFFFF);
  nbPicBrowse = Add<PageStack>("nbPicBrowse", pnlInstalling, 0, 0, 640, 415);
  for (const char* page : {"Default", "Pic2", "pic3"}) nbPicBrowse->AddPageName(page);
  struct Slide {
    const char *panel, *picture, *closeFace, *closeLabel;
    Panel** pnl;
    Picture** pic;
    Picture** face;
    Label** lbl;
  } slides[] = {
      {"pnlPic1", "imgBg31", "imgClose31", "lblClose31", &pnlPic1, &imgBg31, &imgClose31, &lblClose31},
      {"pnlPic2", "img32", "imgClose32", "lblClose32", &pnlPic2, &img32, &imgClose32, &lblClose32},
      {"pnlPic3", "img33", "imgClose33", "lblClose33", &pnlPic3, &img33, &imgClose33, &lblClose33},
  };
  const char* keys[] = {"ZJM\\bg31", "ZJM\\bg32", "ZJM\\bg33"};
  for (int i = 0; i < 3; ++i) {
    Slide& s = slides[i];
    *s.pnl = Add<Panel>(s.panel, nbPicBrowse, 0, 0, 640, 415, 0xFFFFFF);
    *s.pic = Add<Picture>(s.picture, *s.pnl, 0, 0, 640, 415, keys[i], 0);
    WireDrag(*s.pic);
    *s.face = Add<Picture>(s.closeFace, *s.pnl, 616, 14, 10, 10, "SYS\\btn_guanbi_Blue", 99);
    *s.lbl = Style(Add<Label>(s.closeLabel, *s.pnl, 616, 14, 10, 10), f, {"", 14, 0x333333, kFixed | kHand, s.closeFace});
    WireCloseButton(*s.lbl);
  }
  pnlXZ1 = Add<Panel>("pnlXZ1", pnlInstalling, 0, 415, 640, 65, 0xFFFFFF);
  imgbtn_XZ = Add<Picture>("imgbtn_XZ", pnlXZ1, 280, 33, 80, 28, "", 88);
  imgbtn_XZ->visible = false;
  lblDownLoadState = Style(Add<Label>("lblDownLoadState", pnlXZ1, 30, 35, 129, 17), f,
                           {"正在安装Veltaro客户端...", 12, 0x666666, kMiddle | kHand, ""});
  lblJD = Style(Add<Label>("lblJD", pnlXZ1, 174, 35, 18, 17), f, {"0%", 12, 0x0481E9, 0, ""});
  lblErrorHint = Style(Add<Label>("lblErrorHint", pnlXZ1, 71, 0, 497, 17), f,
                       {"网络不稳定，请点击“继续安装”，如进度条不动，请尝试重启路由器！", 12, 0xFF0000,
                        kCentre | kFixed | kHidden, ""});
  lblXZ = Style(Add<Label>("lblXZ", pnlXZ1, 280, 33, 80, 28), f,
                {"继续安装", 12, 0x333333, kCentre | kMiddle | kFixed | kHand | kHidden, ""});
  lblXZ->SetHandler(Event::Click, "lblXZClick");
  pnlJD = Add<Panel>("pnlJD", pnlXZ1, 30, 18, 580, 6, 0xF3F3F3);
  lblJDT = Style(Add<Label>("lblJDT", pnlJD, 0, 0, 4, 20), f, {"", 14, 0x333333, kFixed, ""});
  lblJDT->opaque = true;
  lblJDT->fillColor = 0x5D9EF5;
}

void TfrmSpeedInstall::BuildPage3() {
  const std::string& f = font.name;
  pnlWC = Add<Panel>("pnlWC", nbMain, 0, 0, 640, 480, 0xFFFFFF);
  imgBg4 = Add<Picture>("imgBg4", pnlWC, 0, 0, 640, 480, "", 0);
  WireDrag(imgBg4);
  imgbtn_WC = Add<Picture>("imgbtn_WC", pnlWC, 220, 301, 200, 44, "PubBtn\\btn_LanB200x44", 88);
  lblWC = Style(Add<Label>("lblWC", pnlWC, 220, 301, 200, 44), f,
                {"立即体验", 14, 0xFFFFFF, kCentre | kMiddle | kFixed | kHand, "imgbtn_WC"});
  WireBigButton(lblWC, "lblWCClick");
  imgWCIcon = Add<Picture>("imgWCIcon", pnlWC, 298, 135, 47, 48, "ZJM\\icon_anzhuangwancheng", 0);
  lbl3 = Style(Add<Label>("lbl3", pnlWC, 282, 195, 76, 25), f, {"安装完成", 19, 0x666666, kMiddle, ""});
  imgClose4 = Add<Picture>("imgClose4", pnlWC, 613, 10, 16, 16, "SYS\\btn_GuanBi", 99);
  lblClose4 = Style(Add<Label>("lblClose4", pnlWC, 613, 10, 16, 16), f, {"", 14, 0x333333, kFixed | kHand, "imgClose4"});
  WireCloseButton(lblClose4);
}

void TfrmSpeedInstall::Dispatch(Control& c, Event event, MouseButton button) {
  const std::string& h = c.HandlerFor(event);
  if (h.empty()) return;
  using Plain = void (TfrmSpeedInstall::*)(Control&);
  static const std::map<std::string, Plain> plain = {
      {"lblFHMouseEnter", &TfrmSpeedInstall::lblFHMouseEnter},
      {"lblFHMouseLeave", &TfrmSpeedInstall::lblFHMouseLeave},
      {"lblAZMouseEnter", &TfrmSpeedInstall::lblAZMouseEnter},
      {"lblAZMouseLeave", &TfrmSpeedInstall::lblAZMouseLeave},
      {"lblAZMouseDown", &TfrmSpeedInstall::lblAZMouseDown},
      {"lblAZMouseUp", &TfrmSpeedInstall::lblAZMouseUp},
      {"lblCloseMouseEnter", &TfrmSpeedInstall::lblCloseMouseEnter},
      {"lblCloseMouseLeave", &TfrmSpeedInstall::lblCloseMouseLeave},
      {"lblAZClick", &TfrmSpeedInstall::lblAZClick},
      {"lblFHClick", &TfrmSpeedInstall::lblFHClick},
      {"lblLLClick", &TfrmSpeedInstall::lblLLClick},
      {"lblLJAZClick", &TfrmSpeedInstall::lblLJAZClick},
      {"lblXZClick", &TfrmSpeedInstall::lblXZClick},
      {"lblCloseClick", &TfrmSpeedInstall::lblCloseClick},
      {"lblWCClick", &TfrmSpeedInstall::lblWCClick},
  };
  if (h == "imgtopMouseDown") {
    imgtopMouseDown(c, button);
  } else if (auto it = plain.find(h); it != plain.end()) {
    (this->*(it->second))(c);
  }
}

void TfrmSpeedInstall::FireTimer(Timer& timer) {
  if (&timer == &tmrPic) tmrPicTimer();
  else if (&timer == &tmr1) tmr1Timer();
  else if (&timer == &tmr2) tmr2Timer();
  else if (&timer == &tmr3) tmr3Timer();
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
  if (flow_) flow_->ShowStarting();
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
  pnlAZ->doubleBuffered = true;
  pnlInstalling->doubleBuffered = true;
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

void TfrmSpeedInstall::ShowWorkingState() {
  lblDownLoadState->visible = true;
  lblErrorHint->visible = false;
  lblXZ->visible = false;
  imgbtn_XZ->visible = false;
  Changed();
}

void TfrmSpeedInstall::ShowInterruptedState() {
  lblDownLoadState->visible = false;
  lblErrorHint->visible = true;
  lblXZ->visible = true;
  imgbtn_XZ->visible = true;
  Changed();
}

void TfrmSpeedInstall::imgtopMouseDown(Control&, MouseButton button) {
  if (button == MouseButton::Left && host_) host_->BeginDrag();
}

void TfrmSpeedInstall::lblFHMouseEnter(Control& sender) {
  if (sender.kind() != Kind::Label) return;
  static_cast<Label&>(sender).font.color = 0x4882E1;
  Changed();
}

void TfrmSpeedInstall::lblFHMouseLeave(Control& sender) {
  if (sender.kind() != Kind::Label) return;
  static_cast<Label&>(sender).font.color = 0x666666;
  Changed();
}

namespace {
const std::string& FaceOf(Control& sender) {
  static const std::string none;
  return sender.kind() == Kind::Label ? static_cast<Label&>(sender).faceName : none;
}
}  // namespace

void TfrmSpeedInstall::lblAZMouseEnter(Control& sender) {
  if (!FaceOf(sender).empty()) SetButtonFace(*this, FaceOf(sender), "hover");
}
void TfrmSpeedInstall::lblAZMouseLeave(Control& sender) {
  if (!FaceOf(sender).empty()) SetButtonFace(*this, FaceOf(sender), "normal");
}
void TfrmSpeedInstall::lblAZMouseDown(Control& sender) {
  if (!FaceOf(sender).empty()) SetButtonFace(*this, FaceOf(sender), "down");
}
void TfrmSpeedInstall::lblAZMouseUp(Control& sender) {
  if (!FaceOf(sender).empty()) SetButtonFace(*this, FaceOf(sender), "normal");
}
void TfrmSpeedInstall::lblCloseMouseEnter(Control& sender) {
  if (!FaceOf(sender).empty()) SetButtonFace(*this, FaceOf(sender), "down");
}
void TfrmSpeedInstall::lblCloseMouseLeave(Control& sender) {
  if (!FaceOf(sender).empty()) SetButtonFace(*this, FaceOf(sender), "normal");
}

void TfrmSpeedInstall::tmrPicTimer() {
  PicIndex = PicIndex + 1;
  nbPicBrowse->SetPageIndex(PicIndex);
  if (PicIndex == 2) PicIndex = -1;
  Changed();
}

// Without a flow the window only turns its own pages and closes.
void TfrmSpeedInstall::lblAZClick(Control&) {
  if (flow_) return flow_->lblAZClick();
  nbMain->SetPageIndex(1);
  Changed();
}

void TfrmSpeedInstall::lblFHClick(Control&) {
  if (flow_) return flow_->lblFHClick();
  nbMain->SetPageIndex(0);
  Changed();
}

void TfrmSpeedInstall::lblLLClick(Control&) {
  if (flow_) flow_->lblLLClick();
}
void TfrmSpeedInstall::lblLJAZClick(Control&) {
  if (flow_) flow_->lblLJAZClick();
}
void TfrmSpeedInstall::lblXZClick(Control&) {
  if (flow_) flow_->lblXZClick();
}
void TfrmSpeedInstall::lblWCClick(Control&) {
  if (flow_) flow_->lblWCClick();
}
void TfrmSpeedInstall::tmr1Timer() {
  if (flow_) flow_->tmr1Timer();
}
void TfrmSpeedInstall::tmr2Timer() {
  if (flow_) flow_->tmr2Timer();
}
void TfrmSpeedInstall::tmr3Timer() {
  if (flow_) flow_->tmr3Timer();
}
void TfrmSpeedInstall::HandleDownloadFailed(uint32_t jobId) {
  if (flow_) flow_->HandleDownloadFailed(jobId);
}

void TfrmSpeedInstall::lblCloseClick(Control&) {
  if (flow_) return flow_->lblCloseClick();
  if (host_) host_->Close();
}

}  // namespace ui

// The window's controls: where each lies, how it looks, which picture it
// shows, and what the pointer does to it. The install flow binds its own
// clicks and timers (app/).
#include "ui/FSpeedInstall.h"
#include "ui/UnitFormImage5.h"

namespace ui {

namespace {

constexpr unsigned kCentre = 1, kMiddle = 2, kFixed = 4, kHand = 8, kHidden = 16;

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

}  // namespace

template <typename T, typename... Args>
T* TfrmSpeedInstall::Add(Args&&... args) {
  auto c = std::make_unique<T>(std::forward<Args>(args)...);
  T* raw = c.get();
  components_.push_back(std::move(c));
  return raw;
}

TfrmSpeedInstall::TfrmSpeedInstall() {
  caption = "极速安装";
  font = Font{"微软雅黑", 14, 0x333333};
  root_ = Add<Panel>("frmSpeedInstall", nullptr, 0, 0, kClientWidth, kClientHeight, kFrameColor);
  nbMain = Add<PageStack>("nbMain", root_, 0, 0, kClientWidth, kClientHeight);
  BuildPage0();
  BuildPage1();
  BuildPage2();
  BuildPage3();
  tmrPic.onTimer = [this] { tmrPicTimer(); };
  // Without a flow the window only turns its own pages and closes.
  lblAZ->onClick = [this] {
    nbMain->SetPageIndex(1);
    Changed();
  };
  lblFH->onClick = [this] {
    nbMain->SetPageIndex(0);
    Changed();
  };
  for (Label* l : closeButtons()) {
    WireFace(l, "down", nullptr);
    l->onClick = [this] {
      if (host_) host_->Close();
    };
  }
}

void TfrmSpeedInstall::WireFace(Label* l, const char* enter, const char* down) {
  auto face = [this, l](const char* state) { return [this, l, state] { SetButtonFace(*this, l->faceName, state); }; };
  l->onEnter = face(enter);
  l->onLeave = face("normal");
  if (!down) return;
  l->onDown = [show = face(down)](MouseButton) { show(); };
  l->onUp = face("normal");
}

// The backgrounds move the window while the left button holds them.
void TfrmSpeedInstall::WireDrag(Control* c) {
  c->onDown = [this](MouseButton button) {
    if (button == MouseButton::Left && host_) host_->BeginDrag();
  };
}

void TfrmSpeedInstall::BuildPage0() {
  const std::string& f = font.name;
  pnlAZ = Add<Panel>("pnlAZ", nbMain, 0, 0, 640, 480, 0xFFFFFF);
  imgBg1 = Add<Picture>("imgBg1", pnlAZ, 0, 0, 640, 480, "", 0);
  WireDrag(imgBg1);
  imgbtn_AZ = Add<Picture>("imgbtn_AZ", pnlAZ, 220, 391, 200, 44, "PubBtn\\btn_LanB200x44", 88);
  lblAZ = Style(Add<Label>("lblAZ", pnlAZ, 220, 391, 200, 44), f,
                {"极速安装", 16, 0xFFFFFF, kCentre | kMiddle | kFixed | kHand, "imgbtn_AZ"});
  WireFace(lblAZ, "hover", "down");
  lblBT = Style(Add<Label>("lblBT", pnlAZ, 228, 56, 183, 28), f, {"Veltaro365全新上线", 21, 0x333333, kMiddle, ""});
  lblVersion = Style(Add<Label>("lblVersion", pnlAZ, 290, 119, 60, 27), f,
                     {"V1.3", 20, 0x666666, kCentre | kMiddle | kFixed | kHidden, ""});
  imgClose = Add<Picture>("imgClose", pnlAZ, 613, 10, 16, 16, "Sys\\btn_guanbi", 99);
  lblClose = Style(Add<Label>("lblClose", pnlAZ, 613, 10, 16, 16), f, {"", 14, 0x333333, kFixed | kHand, "imgClose"});
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
  WireFace(lblLJAZ, "hover", "down");
  lblFH = Style(Add<Label>("lblFH", pnlXZ, 446, 402, 28, 20), f, {"返回", 14, 0x666666, kHand, ""});
  auto colour = [this](Color c) {
    return [this, c] {
      lblFH->font.color = c;
      Changed();
    };
  };
  lblFH->onEnter = colour(0x4882E1);
  lblFH->onLeave = colour(0x666666);
  imgbtn_LL = Add<Picture>("imgbtn_LL", pnlXZ, 479, 295, 91, 36, "PubBtn\\btn_BaiB90x36", 99);
  lblLL = Style(Add<Label>("lblLL", pnlXZ, 479, 295, 90, 36), f,
                {"浏览", 14, 0x333333, kCentre | kMiddle | kFixed | kHand, "imgbtn_LL"});
  WireFace(lblLL, "down", nullptr);
  imginput_azlj = Add<Picture>("imginput_azlj", pnlXZ, 169, 295, 300, 36, "ZJM\\imput_300x36", 0);
  lblSZ3 = Style(Add<Label>("lblSZ3", pnlXZ, 90, 301, 70, 20), f, {"安装位置：", 14, 0x333333, 0, ""});
  imgSettingIcon = Add<Picture>("imgSettingIcon", pnlXZ, 275, 57, 90, 90, "ZJM\\logo_90x90", 0);
  lbl2 = Style(Add<Label>("lbl2", pnlXZ, 220, 159, 200, 28), f,
               {"欢迎使用Veltaro365", 21, 0x333333, kCentre | kMiddle | kFixed, ""});
  lblVersion2 = Style(Add<Label>("lblVersion2", pnlXZ, 290, 204, 60, 27), f,
                      {"V1.0", 20, 0x666666, kCentre | kMiddle | kFixed, ""});
  imgClose2 = Add<Picture>("imgClose2", pnlXZ, 613, 10, 16, 16, "SYS\\btn_GuanBi", 99);
  lblClose2 = Style(Add<Label>("lblClose2", pnlXZ, 613, 10, 16, 16), f, {"", 14, 0x333333, kFixed | kHand, "imgClose2"});
  edtAZLJ = Add<Edit>("edtAZLJ", pnlXZ, 174, 303, 292, 20);
  edtAZLJ->font = Font{f, 14, 0x333333};
}

void TfrmSpeedInstall::BuildPage2() {
  const std::string& f = font.name;
  pnlInstalling = Add<Panel>("pnlInstalling", nbMain, 0, 0, 640, 480, 0xFFFFFF);
  nbPicBrowse = Add<PageStack>("nbPicBrowse", pnlInstalling, 0, 0, 640, 415);
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
  WireFace(lblWC, "hover", "down");
  imgWCIcon = Add<Picture>("imgWCIcon", pnlWC, 298, 135, 47, 48, "ZJM\\icon_anzhuangwancheng", 0);
  lbl3 = Style(Add<Label>("lbl3", pnlWC, 282, 195, 76, 25), f, {"安装完成", 19, 0x666666, kMiddle, ""});
  imgClose4 = Add<Picture>("imgClose4", pnlWC, 613, 10, 16, 16, "SYS\\btn_GuanBi", 99);
  lblClose4 = Style(Add<Label>("lblClose4", pnlWC, 613, 10, 16, 16), f, {"", 14, 0x333333, kFixed | kHand, "imgClose4"});
}


}  // namespace ui

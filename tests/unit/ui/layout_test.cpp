// Every control of every page: where it is, what it says and how it looks.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "tests/support/HeadlessHost.h"
#include "ui/FSpeedInstall.h"
#include "ui/MouseRouter.h"
#include "ui/UnitFormImage5.h"

using namespace ui;

namespace {

// Look letters: c centre, m middle, f fixed, h hand, H hidden, o opaque.
struct Row {
  const char* name;
  const char* parent;
  int x, y, w, h;
  const char* text;  // labels only; nullptr for other kinds
  int fontHeight;
  Color color;
  const char* look;
  const char* face;
  // What Click,Enter,Leave,Down (left),Up do in a window without the install
  // flow: "pN" turns to page N, "close" closes, "drag" moves the window,
  // "#RRGGBB" colours the text, "hover", "down", "normal" show that state of
  // the label's face; "" nothing. The flow binds further clicks (app tests).
  const char* does;
};

const char* kBig = ",hover,normal,down,normal";
const char* kClose = "close,down,normal,,";
const char* kDrag = ",,,drag,";
const char* kNone = ",,,,";

const std::vector<Row>& Rows() {
  static const std::string az = "p1" + std::string(kBig);
  static const std::vector<Row> rows = {
      {"imgBg1", "pnlAZ", 0, 0, 640, 480, nullptr, 0, 0, "", "", kDrag},
      {"imgbtn_AZ", "pnlAZ", 220, 391, 200, 44, nullptr, 0, 0, "", "", kNone},
      {"lblAZ", "pnlAZ", 220, 391, 200, 44, "极速安装", 16, 0xFFFFFF, "cmfh", "imgbtn_AZ", az.c_str()},
      {"lblBT", "pnlAZ", 228, 56, 183, 28, "Veltaro365全新上线", 21, 0x333333, "m", "", kNone},
      {"lblVersion", "pnlAZ", 290, 119, 60, 27, "", 20, 0x666666, "cmfH", "", kNone},
      {"imgClose", "pnlAZ", 613, 10, 16, 16, nullptr, 0, 0, "", "", kNone},
      {"lblClose", "pnlAZ", 613, 10, 16, 16, "", 14, 0x333333, "fh", "imgClose", kClose},
      {"lblTS1", "pnlAZ", 224, 92, 192, 17, "始终致力于为您提供更好的客户体验", 12, 0x999999, "m", "", kNone},
      {"imgico_bb", "pnlAZ", 274, 62, 58, 20, nullptr, 0, 0, "H", "", kDrag},
      {"lbl_ts", "pnlAZ", 274, 62, 58, 20, "Tesmar专版", 12, 0xFFFFFF, "cmfH", "", kNone},

      {"imgBg2", "pnlXZ", 0, 0, 640, 480, nullptr, 0, 0, "", "", kDrag},
      {"imgbtn_LJAZ", "pnlXZ", 220, 391, 200, 44, nullptr, 0, 0, "", "", kNone},
      {"lblLJAZ", "pnlXZ", 220, 391, 200, 44, "立即安装", 14, 0xFFFFFF, "cmfh", "imgbtn_LJAZ", kBig},
      {"lblFH", "pnlXZ", 446, 402, 28, 20, "返回", 14, 0x666666, "h", "", "p0,#4882E1,#666666,,"},
      {"imgbtn_LL", "pnlXZ", 479, 295, 91, 36, nullptr, 0, 0, "", "", kNone},
      {"lblLL", "pnlXZ", 479, 295, 90, 36, "浏览", 14, 0x333333, "cmfh", "imgbtn_LL",
       ",down,normal,,"},
      {"imginput_azlj", "pnlXZ", 169, 295, 300, 36, nullptr, 0, 0, "", "", kNone},
      {"lblSZ3", "pnlXZ", 90, 301, 70, 20, "安装位置：", 14, 0x333333, "", "", kNone},
      {"imgSettingIcon", "pnlXZ", 275, 57, 90, 90, nullptr, 0, 0, "", "", kNone},
      {"lbl2", "pnlXZ", 220, 159, 200, 28, "欢迎使用Veltaro365", 21, 0x333333, "cmf", "", kNone},
      {"lblVersion2", "pnlXZ", 290, 204, 60, 27, "", 20, 0x666666, "cmf", "", kNone},
      {"imgClose2", "pnlXZ", 613, 10, 16, 16, nullptr, 0, 0, "", "", kNone},
      {"lblClose2", "pnlXZ", 613, 10, 16, 16, "", 14, 0x333333, "fh", "imgClose2", kClose},
      {"edtAZLJ", "pnlXZ", 174, 303, 292, 20, nullptr, 14, 0x333333, "", "", kNone},

      {"nbPicBrowse", "pnlInstalling", 0, 0, 640, 415, nullptr, 0, 0, "", "", kNone},
      {"pnlPic1", "nbPicBrowse", 0, 0, 640, 415, nullptr, 0, 0, "", "", kNone},
      {"imgBg31", "pnlPic1", 0, 0, 640, 415, nullptr, 0, 0, "", "", kDrag},
      {"imgClose31", "pnlPic1", 616, 14, 10, 10, nullptr, 0, 0, "", "", kNone},
      {"lblClose31", "pnlPic1", 616, 14, 10, 10, "", 14, 0x333333, "fh", "imgClose31", kClose},
      {"pnlPic2", "nbPicBrowse", 0, 0, 640, 415, nullptr, 0, 0, "", "", kNone},
      {"img32", "pnlPic2", 0, 0, 640, 415, nullptr, 0, 0, "", "", kDrag},
      {"imgClose32", "pnlPic2", 616, 14, 10, 10, nullptr, 0, 0, "", "", kNone},
      {"lblClose32", "pnlPic2", 616, 14, 10, 10, "", 14, 0x333333, "fh", "imgClose32", kClose},
      {"pnlPic3", "nbPicBrowse", 0, 0, 640, 415, nullptr, 0, 0, "", "", kNone},
      {"img33", "pnlPic3", 0, 0, 640, 415, nullptr, 0, 0, "", "", kDrag},
      {"imgClose33", "pnlPic3", 616, 14, 10, 10, nullptr, 0, 0, "", "", kNone},
      {"lblClose33", "pnlPic3", 616, 14, 10, 10, "", 14, 0x333333, "fh", "imgClose33", kClose},
      {"pnlXZ1", "pnlInstalling", 0, 415, 640, 65, nullptr, 0, 0, "", "", kNone},
      {"imgbtn_XZ", "pnlXZ1", 280, 33, 80, 28, nullptr, 0, 0, "H", "", kNone},
      {"lblDownLoadState", "pnlXZ1", 30, 35, 129, 17, "正在安装Veltaro客户端...", 12, 0x666666, "mh", "", kNone},
      {"lblJD", "pnlXZ1", 174, 35, 18, 17, "0%", 12, 0x0481E9, "", "", kNone},
      {"lblErrorHint", "pnlXZ1", 71, 0, 497, 17, "网络不稳定，请点击“继续安装”，如进度条不动，请尝试重启路由器！", 12,
       0xFF0000, "cfH", "", kNone},
      {"lblXZ", "pnlXZ1", 280, 33, 80, 28, "继续安装", 12, 0x333333, "cmfhH", "", kNone},
      {"pnlJD", "pnlXZ1", 30, 18, 580, 6, nullptr, 0, 0, "", "", kNone},
      {"lblJDT", "pnlJD", 0, 0, 0, 20, "", 14, 0x333333, "fo", "", kNone},

      {"imgBg4", "pnlWC", 0, 0, 640, 480, nullptr, 0, 0, "", "", kDrag},
      {"imgbtn_WC", "pnlWC", 220, 301, 200, 44, nullptr, 0, 0, "", "", kNone},
      {"lblWC", "pnlWC", 220, 301, 200, 44, "立即体验", 14, 0xFFFFFF, "cmfh", "imgbtn_WC", kBig},
      {"imgWCIcon", "pnlWC", 298, 135, 47, 48, nullptr, 0, 0, "", "", kNone},
      {"lbl3", "pnlWC", 282, 195, 76, 25, "安装完成", 19, 0x666666, "m", "", kNone},
      {"imgClose4", "pnlWC", 613, 10, 16, 16, nullptr, 0, 0, "", "", kNone},
      {"lblClose4", "pnlWC", 613, 10, 16, 16, "", 14, 0x333333, "fh", "imgClose4", kClose},
  };
  return rows;
}

bool Has(const char* look, char c) { return std::string(look).find(c) != std::string::npos; }

// What each event of `c` does, in the table's words; each starts on page 3.
std::string Does(TfrmSpeedInstall& form, HeadlessHost& host, Control& c) {
  Label* l = c.kind() == Kind::Label ? static_cast<Label*>(&c) : nullptr;
  Picture* face = l ? FindImage(form, l->faceName) : nullptr;
  const std::function<void()> events[] = {c.onClick, c.onEnter, c.onLeave,
                                          [&c] { if (c.onDown) c.onDown(MouseButton::Left); }, c.onUp};
  std::string out;
  for (size_t i = 0; i < std::size(events); ++i) {
    form.nbMain->SetPageIndex(3);
    host.closed = false;
    const int drags = host.drags;
    const Color colour = l ? l->font.color : 0, unseen = 0x123456;
    if (l) l->font.color = unseen;
    if (face) face->image.reset();
    if (events[i]) events[i]();
    std::string e;
    if (form.nbMain->pageIndex() != 3) e = "p" + std::to_string(form.nbMain->pageIndex());
    if (host.closed) e += "close";
    if (host.drags != drags) e += "drag";
    if (l && l->font.color != unseen) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "#%06X", l->font.color);
      e += hex;
    }
    if (l) l->font.color = colour;
    if (face && face->image) {
      const std::string shown = ImageName(face);
      for (char ch : shown.substr(shown.rfind('_') + 1)) e += static_cast<char>(std::tolower(ch));
    }
    out += (i ? "," : "") + e;
  }
  return out;
}

class Layout : public ::testing::Test {
 protected:
  // The state the show handler leaves (the version text is empty without a
  // manifest; the fill starts empty).
  void SetUp() override { form.FormShow(); }
  TfrmSpeedInstall form;
};

}  // namespace

TEST_F(Layout, EveryControlIsWhereTheTablesPutIt) {
  for (const Row& r : Rows()) {
    SCOPED_TRACE(r.name);
    Control* c = form.Find(r.name);
    ASSERT_NE(c, nullptr);
    ASSERT_NE(c->parent(), nullptr);
    EXPECT_EQ(c->parent()->name(), r.parent);
    EXPECT_EQ(c->x, r.x);
    EXPECT_EQ(c->y, r.y);
    EXPECT_EQ(c->width, r.w);
    EXPECT_EQ(c->height, r.h);
    EXPECT_EQ(c->visible, !Has(r.look, 'H'));
    EXPECT_EQ(c->handCursor, Has(r.look, 'h'));
    if (c->kind() == Kind::Label) {
      auto& l = static_cast<Label&>(*c);
      ASSERT_NE(r.text, nullptr);
      EXPECT_EQ(l.text, r.text);
      EXPECT_EQ(l.font.name, "微软雅黑");
      EXPECT_EQ(l.font.height, r.fontHeight);
      EXPECT_EQ(l.font.color, r.color);
      EXPECT_EQ(l.centre, Has(r.look, 'c'));
      EXPECT_EQ(l.middle, Has(r.look, 'm'));
      EXPECT_EQ(l.fixedSize, Has(r.look, 'f'));
      EXPECT_EQ(l.opaque, Has(r.look, 'o'));
      EXPECT_EQ(l.faceName, r.face);
    } else if (c->kind() == Kind::Edit) {
      auto& e = static_cast<Edit&>(*c);
      EXPECT_EQ(e.font.height, r.fontHeight);
      EXPECT_EQ(e.font.color, r.color);
      EXPECT_EQ(e.background, 0xFFFFFFu);
      EXPECT_EQ(e.text, "");
    } else {
      EXPECT_EQ(r.text, nullptr);
    }
  }
  EXPECT_EQ(form.lblJDT->fillColor, 0x5D9EF5u);
  EXPECT_EQ(form.caption, "极速安装");
}

TEST(LayoutEvents, EveryControlDoesWhatTheTablesSay) {
  TfrmSpeedInstall form;
  HeadlessHost host(form);
  host.Show();
  for (const Row& r : Rows()) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(Does(form, host, *form.Find(r.name)), r.does);
  }
}

TEST_F(Layout, StackingOrderFollowsTheTables) {
  // Children of each parent, bottom to top, as the rows list them.
  std::vector<std::string> parents;
  for (const Row& r : Rows())
    if (parents.empty() || parents.back() != r.parent) parents.push_back(r.parent);
  for (const std::string& p : parents) {
    SCOPED_TRACE(p);
    std::vector<std::string> expected, actual;
    for (const Row& r : Rows())
      if (r.parent == p) expected.push_back(r.name);
    for (const Control* c : form.Find(p)->children()) actual.push_back(c->name());
    EXPECT_EQ(actual, expected);
  }
  std::vector<std::string> pages;
  for (const Control* c : form.nbMain->children()) pages.push_back(c->name());
  EXPECT_EQ(pages, (std::vector<std::string>{"pnlAZ", "pnlXZ", "pnlInstalling", "pnlWC"}));
}

TEST_F(Layout, TimersAtCreation) {
  // The slideshow is the window's own timer; the flow binds the other three.
  struct {
    Timer* t;
    unsigned interval;
    bool enabled, slides;
  } want[] = {{&form.tmr1, 100, false, false},
              {&form.tmrPic, 4000, true, true},
              {&form.tmr2, 1000, false, false},
              {&form.tmr3, 100, false, false}};
  for (auto& w : want) {
    SCOPED_TRACE(&w - want);
    EXPECT_EQ(w.t->interval, w.interval);
    EXPECT_EQ(w.t->enabled, w.enabled);
    form.PicIndex = 0;
    w.t->Fire();
    EXPECT_EQ(form.PicIndex, w.slides ? 1 : 0);
  }
}

TEST_F(Layout, HitTestingFollowsStackingAndPages) {
  Control& root = *form.root();
  // Page 0 is current: the button label lies over its face, the close label
  // over its cross, the title over the background.
  EXPECT_EQ(HitTest(root, 320, 410)->name(), "lblAZ");
  EXPECT_EQ(HitTest(root, 620, 15)->name(), "lblClose");
  EXPECT_EQ(HitTest(root, 300, 70)->name(), "lblBT");  // the hidden badge does not count
  EXPECT_EQ(HitTest(root, 10, 10)->name(), "imgBg1");
  EXPECT_EQ(HitTest(root, 640, 10), nullptr);
  form.nbMain->SetPageIndex(2);
  EXPECT_EQ(HitTest(root, 10, 10)->name(), "imgBg31");
  EXPECT_EQ(HitTest(root, 620, 18)->name(), "lblClose31");
  // The fill is clipped to its 6-pixel track, and the strip itself is white panel.
  form.lblJDT->width = 580;
  EXPECT_EQ(HitTest(root, 100, 415 + 20)->name(), "lblJDT");
  EXPECT_EQ(HitTest(root, 100, 415 + 30)->name(), "pnlXZ1");
  form.nbPicBrowse->SetPageIndex(1);
  EXPECT_EQ(HitTest(root, 10, 10)->name(), "img32");
}

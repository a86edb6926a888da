// Pictures: which resource each control shows, and the button faces.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/support/HeadlessHost.h"
#include "ui/UnitFormImage5.h"

using namespace ui;

namespace {
class Images : public ::testing::Test {
 protected:
  Images() : host(form) { host.Show(); }
  std::string Shown(const std::string& name) { return ImageName(FindImage(form, name)); }
  TfrmSpeedInstall form;
  HeadlessHost host;
};
}  // namespace

TEST(ResourceName, IsTheUpperCaseFileNameWithoutExtension) {
  EXPECT_EQ(ResourceNameFromPath("C:\\app\\res\\PubBtn\\btn_LanB200x44_hover.png"), "BTN_LANB200X44_HOVER");
  EXPECT_EQ(ResourceNameFromPath("D:\\x.y\\res\\ZJM\\bg_JSAZ1.gif"), "BG_JSAZ1");
  EXPECT_EQ(ResourceNameFromPath("res\\ZJM\\bg31"), "BG31");
  EXPECT_EQ(ResourceNameFromPath("a.b.c.png"), "A.B.C");
}

TEST_F(Images, ShowGivesEveryPictureItsResource) {
  const std::map<std::string, std::string> want = {
      {"imgBg1", "BG_JSAZ1"},
      {"imgbtn_AZ", "BTN_LANB200X44_NORMAL"},
      {"imgClose", "BTN_GUANBI_NORMAL"},
      {"imgico_bb", "BG_BANBEN"},
      {"imgBg2", "BG_JSAZ"},
      {"imgbtn_LJAZ", "BTN_LANB200X44_NORMAL"},
      {"imgbtn_LL", "BTN_BAIB90X36_NORMAL"},
      {"imginput_azlj", "IMPUT_300X36"},
      {"imgSettingIcon", "LOGO_90X90"},
      {"imgClose2", "BTN_GUANBI_NORMAL"},
      {"imgbtn_XZ", ""},
      {"imgBg31", "BG31"},
      {"imgClose31", "BTN_GUANBI_BLUE_NORMAL"},
      {"img32", "BG32"},
      {"imgClose32", "BTN_GUANBI_BLUE_NORMAL"},
      {"img33", "BG33"},
      {"imgClose33", "BTN_GUANBI_BLUE_NORMAL"},
      {"imgBg4", "BG_JSAZ"},
      {"imgbtn_WC", "BTN_LANB200X44_NORMAL"},
      {"imgWCIcon", "ICON_ANZHUANGWANCHENG"},
      {"imgClose4", "BTN_GUANBI_NORMAL"},
  };
  int pictures = 0;
  for (const auto& c : form.components()) {
    if (c->kind() != Kind::Picture) continue;
    ++pictures;
    auto it = want.find(c->name());
    ASSERT_NE(it, want.end()) << c->name();
    EXPECT_EQ(ImageName(static_cast<Picture*>(c.get())), it->second) << c->name();
  }
  EXPECT_EQ(pictures, static_cast<int>(want.size()));
  EXPECT_EQ(form.imgBg1->image->Width(), 640);
}

TEST_F(Images, ThreeStateFaces) {
  for (const char* button : {"lblAZ", "lblLJAZ", "lblWC"}) {
    SCOPED_TRACE(button);
    const std::string face = static_cast<Label*>(form.Find(button))->faceName;
    form.nbMain->SetPageIndex(std::string(button) == "lblAZ" ? 0 : std::string(button) == "lblLJAZ" ? 1 : 3);
    host.MouseMove(5, 5);  // on the background
    host.HoverOver(button);
    EXPECT_EQ(Shown(face), "BTN_LANB200X44_HOVER");
    host.Press(button, MouseButton::Right);  // any button presses it
    EXPECT_EQ(Shown(face), "BTN_LANB200X44_DOWN");
    host.Release(button, MouseButton::Right);
    EXPECT_EQ(Shown(face), "BTN_LANB200X44_NORMAL");  // stays normal while the pointer stays
    host.MouseMove(5, 5);
    EXPECT_EQ(Shown(face), "BTN_LANB200X44_NORMAL");
    host.HoverOver(button);
    host.Press(button, MouseButton::Right);
    host.MouseMove(5, 5);  // leaving while held
    EXPECT_EQ(Shown(face), "BTN_LANB200X44_NORMAL");
    host.MouseUp(5, 5, MouseButton::Right);
  }
}

TEST_F(Images, TwoStateFaces) {
  struct {
    int page;
    const char* label;
    const char* face;
    const char* over;
    const char* away;
  } cases[] = {
      {0, "lblClose", "imgClose", "BTN_GUANBI_DOWN", "BTN_GUANBI_NORMAL"},
      {1, "lblClose2", "imgClose2", "BTN_GUANBI_DOWN", "BTN_GUANBI_NORMAL"},
      {1, "lblLL", "imgbtn_LL", "BTN_BAIB90X36_DOWN", "BTN_BAIB90X36_NORMAL"},
      {2, "lblClose31", "imgClose31", "BTN_GUANBI_BLUE_DOWN", "BTN_GUANBI_BLUE_NORMAL"},
      {3, "lblClose4", "imgClose4", "BTN_GUANBI_DOWN", "BTN_GUANBI_NORMAL"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.label);
    form.nbMain->SetPageIndex(c.page);
    host.MouseMove(5, 5);
    host.HoverOver(c.label);
    EXPECT_EQ(Shown(c.face), c.over);
    host.MouseMove(5, 5);
    EXPECT_EQ(Shown(c.face), c.away);
  }
}

TEST_F(Images, SlideCloseButtonsOnEachSlide) {
  form.nbMain->SetPageIndex(2);
  for (int slide : {1, 2}) {
    form.nbPicBrowse->SetPageIndex(slide);
    const std::string face = "imgClose3" + std::to_string(slide + 1);
    host.MouseMove(5, 5);
    host.HoverOver("lblClose3" + std::to_string(slide + 1));
    EXPECT_EQ(Shown(face), "BTN_GUANBI_BLUE_DOWN");
    host.MouseMove(5, 5);
    EXPECT_EQ(Shown(face), "BTN_GUANBI_BLUE_NORMAL");
  }
}

TEST_F(Images, FacesWithoutAPictureOrAControl) {
  form.nbMain->SetPageIndex(2);
  form.ShowInterruptedState();
  host.HoverOver("lblXZ");
  host.ClickOn("lblXZ");
  EXPECT_EQ(Shown("imgbtn_XZ"), "");
  // The face of a label may name a control that is not a picture, or nothing.
  const int before = host.imageLoads;
  SetButtonFace(form, "lblAZ", "hover");
  SetButtonFace(form, "noSuchControl", "hover");
  EXPECT_EQ(host.imageLoads, before);
  // Names compare without regard to case.
  SetButtonFace(form, "IMGBTN_AZ", "down");
  EXPECT_EQ(Shown("imgbtn_az"), "BTN_LANB200X44_DOWN");
  // "Sys\btn_guanbi" and "SYS\btn_GuanBi" name the same picture.
  EXPECT_EQ(Shown("imgClose"), Shown("imgClose2"));
}

TEST_F(Images, AMissingResourceLeavesThePictureEmpty) {
  LoadPngResource("NO_SUCH_PICTURE", form.imgBg2);
  EXPECT_EQ(form.imgBg2->image, nullptr);
  LoadGifImage("res\\ZJM\\bg_JSAZ.png", form.imgBg2);  // a PNG is not a GIF
  EXPECT_EQ(form.imgBg2->image, nullptr);
  LoadPngResource("bg_jsaz", form.imgBg2);
  EXPECT_EQ(Shown("imgBg2"), "BG_JSAZ");
}

// The window's behaviour through the headless host: slideshow, progress
// display, drag areas, links, pages, close, and the engine's blocking notice.
#include <gtest/gtest.h>

#include <cstdint>

#include "download/Notify.h"
#include "platform/system.h"
#include "platform/thread.h"
#include "tests/support/HeadlessHost.h"
#ifndef _WIN32
#include <stdexcept>
#include <utility>

#include "platform/codepage.h"
#include "platform/testing.h"
#endif

using namespace ui;

namespace {
class Window : public ::testing::Test {
 protected:
  Window() : host(form) { host.Show(); }
  TfrmSpeedInstall form;
  HeadlessHost host;
};

// Sends a notice from another thread; `sent` is set once the send returned.
struct Sender {
  explicit Sender(std::shared_ptr<NotifyTarget> t) : thread([this, t] {
    t->SendDownloadFailed(1);
    sent.Set();
  }) {}
  platform::Event sent;
  platform::Thread thread;  // joined before `sent` goes
};
}  // namespace

TEST_F(Window, ShowOpensOnPageZeroWithAnEmptyFill) {
  EXPECT_EQ(form.nbMain->pageIndex(), 0);
  EXPECT_EQ(form.nbPicBrowse->pageIndex(), 0);
  EXPECT_EQ(form.lblJDT->width, 0);
  EXPECT_EQ(form.PicIndex, 0);
  EXPECT_EQ(form.lblVersion2->text, "");  // no manifest: no version text
  EXPECT_EQ(GetHttpProgressHandlers(), &form);
}

TEST_F(Window, SlidesTurnEveryFourSecondsOnEveryPage) {
  // 0 s slide 0, 4 s slide 1, 8 s slide 2, 12 s slide 0, 16 s slide 1.
  const int want[] = {0, 1, 2, 0, 1};
  for (int step = 0; step < 5; ++step) {
    SCOPED_TRACE(step);
    EXPECT_EQ(form.nbPicBrowse->pageIndex(), want[step]);
    host.Advance(3999);
    EXPECT_EQ(form.nbPicBrowse->pageIndex(), want[step]);
    host.Advance(1);
  }
  EXPECT_EQ(form.nbMain->pageIndex(), 0);  // it ran on the welcome page
  EXPECT_EQ(form.PicIndex, -1);  // just after the last slide
}

TEST_F(Window, ProgressRule) {
  struct {
    int32_t max, count;
    const char* text;
    int fill;
  } cases[] = {
      {1000, 333, "33%", 191}, {1000, 1000, "100%", 580}, {1000, 1200, "100%", 580},
      {1000, 0, "0%", 0},      {1000, 999, "99%", 574},   {3, 1, "33%", 191},
      // Double precision would give 28 and 53; the extended quotient gives these.
      {100, 29, "29%", 168},   {100, 53, "52%", 301},   {INT32_MAX, INT32_MAX, "100%", 580},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.count);
    form.HttpWorkBegin(c.max);
    const int pumpsBefore = host.pumps;
    form.HttpWork(c.count);
    EXPECT_EQ(form.lblJD->text, c.text);
    EXPECT_EQ(form.lblJDT->width, c.fill);
    EXPECT_EQ(host.pumps - pumpsBefore, 2);
    form.HttpWorkEnd();
    EXPECT_EQ(HttpWorkMax, 0);
  }
}

TEST_F(Window, NoAnnouncedSizeLeavesTheDisplayAsItWas) {
  form.HttpWorkBegin(1000);
  form.HttpWork(500);
  form.HttpWorkEnd();
  for (int32_t max : {0, -1}) {
    form.HttpWorkBegin(max);
    const int pumpsBefore = host.pumps;
    form.HttpWork(700);
    EXPECT_EQ(form.lblJD->text, "50%");
    EXPECT_EQ(form.lblJDT->width, 290);
    EXPECT_EQ(host.pumps - pumpsBefore, 1);
  }
}

TEST_F(Window, ANoticeIsHandledInsideAProgressEvent) {
  form.HttpWorkBegin(100);
  // The host's pump is where a blocked UI thread handles its queue; a notice
  // posted by another thread is handled inside HttpWork.
  auto target = GetNotifyWindow();
  ASSERT_NE(target, nullptr);
  Sender s(target);
  EXPECT_FALSE(s.sent.Wait(50));
  const uint32_t start = platform::TickCount();
  while (!s.sent.Wait(1) && platform::TickCount() - start < 10000) form.HttpWork(10);
  EXPECT_TRUE(s.sent.Wait(0));
}

TEST_F(Window, ASenderIsReleasedWhenTheWindowGoesAway) {
  auto form2 = std::make_unique<TfrmSpeedInstall>();
  auto host2 = std::make_unique<HeadlessHost>(*form2);
  host2->Show();
  auto target = GetNotifyWindow();
  Sender s(target);
  EXPECT_FALSE(s.sent.Wait(50));
  host2.reset();
  EXPECT_TRUE(s.sent.Wait(10000));
  // Later sends go nowhere and return.
  Sender late(target);
  EXPECT_TRUE(late.sent.Wait(10000));
}

TEST_F(Window, OnlyTheBackgroundPicturesDragTheWindow) {
  struct {
    int page, slide, x, y;
    bool drags;
  } cases[] = {
      {0, 0, 10, 10, true},     // imgBg1
      {0, 0, 300, 70, false},   // the title text
      {0, 0, 320, 410, false},  // "极速安装"
      {1, 0, 10, 10, true},     // imgBg2
      {1, 0, 200, 310, false},  // the edit box
      {2, 0, 10, 10, true},     // imgBg31
      {2, 1, 10, 10, true},     // img32
      {2, 2, 300, 200, true},   // img33
      {2, 0, 10, 450, false},   // the white progress strip
      {3, 0, 10, 10, true},     // imgBg4
  };
  for (auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.page) + " " + std::to_string(c.x) + "," + std::to_string(c.y));
    form.nbMain->SetPageIndex(c.page);
    form.nbPicBrowse->SetPageIndex(c.slide);
    const int before = host.drags;
    host.MouseDown(c.x, c.y, MouseButton::Right);
    host.MouseUp(c.x, c.y, MouseButton::Right);
    EXPECT_EQ(host.drags, before);
    host.MouseDown(c.x, c.y, MouseButton::Left);
    host.MouseUp(c.x, c.y, MouseButton::Left);
    EXPECT_EQ(host.drags - before, c.drags ? 1 : 0);
  }
}

TEST_F(Window, BackLinkColoursAndPages) {
  host.ClickOn("lblAZ");
  EXPECT_EQ(form.nbMain->pageIndex(), 1);
  host.HoverOver("lblFH");
  EXPECT_EQ(form.lblFH->font.color, 0x4882E1u);
  host.MouseMove(5, 5);
  EXPECT_EQ(form.lblFH->font.color, 0x666666u);
  host.HoverOver("lblFH");
  host.MouseLeaveWindow();
  EXPECT_EQ(form.lblFH->font.color, 0x666666u);
  host.ClickOn("lblFH");
  EXPECT_EQ(form.nbMain->pageIndex(), 0);
  // A release away from the pressed control is no click.
  host.Press("lblAZ");
  host.MouseUp(5, 5, MouseButton::Left);
  EXPECT_EQ(form.nbMain->pageIndex(), 0);
}

TEST_F(Window, ADoubleClickClicksOnce) {
  // "立即安装" lies where "极速安装" was: the second press of a double-click
  // must not click it. A stray click would show page 0 again.
  form.lblLJAZ->onClick = form.lblFH->onClick;
  host.DoubleClickOn("lblAZ");
  EXPECT_EQ(form.nbMain->pageIndex(), 1);
  host.ClickOn("lblLJAZ");  // the next plain click counts again
  EXPECT_EQ(form.nbMain->pageIndex(), 0);
}

TEST_F(Window, ALabelWithoutFixedSizeFollowsItsText) {
  // The headless host measures 6 px per character of a 12 px font.
  EXPECT_EQ(form.lblJD->width, 12);  // "0%"
  EXPECT_EQ(form.lblJD->height, 12);
  form.nbMain->SetPageIndex(2);
  form.ShowProgress(100);
  EXPECT_EQ(form.lblJD->width, 24);  // "100%", wider than its design width 18
  const int x = form.lblJD->WindowX() + 22, y = form.lblJD->WindowY() + 5;
  EXPECT_EQ(HitTest(*form.root(), x, y), form.lblJD);
  EXPECT_EQ(form.lblBT->width, 10 * 10 + 4 * 21);  // "Veltaro365全新上线": ten ASCII, four Chinese
  EXPECT_EQ(form.lblLJAZ->width, 200);  // fixed labels keep their size
  EXPECT_EQ(form.lblErrorHint->width, 497);
}

// The manifest's version text is GBK, whatever the system's own code page;
// without code page 936 the system's own page reads it.
TEST(WindowText, TheVersionIsShownDecodedAsGbk) {
  for (bool gbkMissing : {false, true}) {
#ifndef _WIN32
    platform::testing::SetGbkMissing(gbkMissing);
#else
    if (gbkMissing) break;
#endif
    ProductVersion = gbkMissing ? "V2.1.0" : "V2.1\xB0\xE6";
    TfrmSpeedInstall form;
    HeadlessHost host(form);
    host.Show();
    EXPECT_EQ(form.lblVersion->text, ProductVersion == "V2.1.0" ? "V2.1.0" : "V2.1版");
    EXPECT_EQ(form.lblVersion2->text, form.lblVersion->text);
    ProductVersion.clear();
  }
#ifndef _WIN32
  platform::testing::SetGbkMissing(false);
#endif
}

TEST_F(Window, ProgressStripStates) {
  form.ShowInterruptedState();
  EXPECT_FALSE(form.lblDownLoadState->visible);
  EXPECT_TRUE(form.lblErrorHint->visible && form.lblXZ->visible && form.imgbtn_XZ->visible);
  EXPECT_TRUE(form.lblJD->visible && form.pnlJD->visible);
  form.ShowWorkingState();
  EXPECT_TRUE(form.lblDownLoadState->visible);
  EXPECT_FALSE(form.lblErrorHint->visible || form.lblXZ->visible || form.imgbtn_XZ->visible);
}

TEST_F(Window, EveryCloseButtonClosesTheWindow) {
  const struct {
    int page;
    const char* button;
  } cases[] = {{0, "lblClose"}, {1, "lblClose2"}, {2, "lblClose31"}, {3, "lblClose4"}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.button);
    host.closed = false;
    form.nbMain->SetPageIndex(c.page);
    host.ClickOn(c.button);
    EXPECT_TRUE(host.closed);
  }
}

#ifndef _WIN32
namespace {
// A host that runs `hook` inside the show handler, as its first picture loads.
class HookHost : public HeadlessHost {
 public:
  using HeadlessHost::HeadlessHost;
  std::shared_ptr<Image> LoadResourceImage(const std::string& name, ImageFormat format) override {
    if (auto hook = std::exchange(hook_, nullptr)) hook();
    return HeadlessHost::LoadResourceImage(name, format);
  }
  std::function<void()> hook_;
};
}  // namespace

// Inside a handler that waits on the tick count, a pump fires what came due,
// once per timer as the system's single WM_TIMER; the test's own pumps leave
// the virtual clock where it is.
TEST(HeadlessClock, TimersComeDueInsideAHandlerThatWaits) {
  TfrmSpeedInstall form;
  HookHost host(form);
  int slide = -1, slideLater = -1;
  host.hook_ = [&] {
    platform::testing::AdvanceTickCount(8500);  // two periods of the slideshow
    host.ProcessMessages();
    slide = form.PicIndex;
    host.ProcessMessages();
    slideLater = form.PicIndex;
  };
  host.Show();
  EXPECT_EQ(slide, 1);
  EXPECT_EQ(slideLater, 1);
  EXPECT_GE(host.now(), 8500u);
  const uint64_t clock = host.now();
  platform::testing::AdvanceTickCount(5000);
  host.ProcessMessages();
  EXPECT_EQ(host.now(), clock);
}

TEST(HandlerGuard, AnErrorInTheShowHandlerIsShownAndTheRestSkipped) {
  const std::pair<std::function<void()>, std::string> errors[] = {
      {[] { throw std::runtime_error("no pictures"); }, "no pictures"},
      // An error's text is the system's, in its ANSI code page (GBK here).
      {[] { throw std::runtime_error("\xD5\xD2\xB2\xBB\xB5\xBD"); }, "找不到"},
      {[] { throw 42; }, "未知错误"},  // not a standard error
  };
  for (const auto& [raise, text] : errors) {
    platform::testing::TakeMessageBoxes();
    TfrmSpeedInstall form;
    HookHost host(form);
    host.hook_ = raise;
    host.Show();
    auto boxes = platform::testing::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, text);
    EXPECT_EQ(boxes[0].owner, host.Handle());
    EXPECT_EQ(form.lblJDT->width, 4);  // a later step of the handler empties the fill
    // The window goes on: its clicks still work.
    host.ClickOn("lblAZ");
    EXPECT_EQ(form.nbMain->pageIndex(), 1);
  }
}
#endif

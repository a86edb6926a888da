// The entry routine's choice between showing the window and restarting
// elevated, and the shell services behind it (recorded natively).
#ifndef _WIN32
#include <gtest/gtest.h>

#include "app/Startup.h"
#include "common/BrowseForFolderU.h"
#include "common/KpLib.h"
#include "platform/codepage.h"
#include "platform/dialog.h"
#include "platform/instance.h"
#include "platform/testing.h"
#include "tests/support/HeadlessHost.h"

namespace {

platform::OsVersionRecord Version(uint32_t major, uint32_t minor, uint8_t productType) {
  platform::OsVersionRecord r;
  r.size = platform::kOsVersionInfoExSize;
  r.major = major;
  r.minor = minor;
  r.productType = productType;
  return r;
}

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::testing::TakeShellRuns();
    platform::testing::SetModulePath("D:\\Downloads\\VeltaroSetup.exe");
  }
  void TearDown() override {
    platform::testing::ResetOsVersion();
    platform::testing::SetShellRunsSucceed(true);
  }
  int Start(bool hasArgument) {
    return StartInstaller(hasArgument, [this] { ++shown; });
  }
  int shown = 0;
};

}  // namespace

TEST_F(Startup, AnArgumentShowsTheWindowWithoutClassifying) {
  platform::testing::SetOsVersion(nullptr, 0, 0);  // a query would give 0 and restart
  EXPECT_EQ(Start(true), 0);
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(platform::testing::TakeShellRuns().empty());
}

TEST_F(Startup, WindowsXpShowsTheWindowWithoutRestarting) {
  auto xp = Version(5, 1, 1);
  platform::testing::SetOsVersion(&xp, 0, 0);
  EXPECT_EQ(Start(false), 0);
  auto xp64 = Version(5, 2, 1);
  platform::testing::SetOsVersion(&xp64, 9, 0);
  EXPECT_EQ(Start(false), 0);
  EXPECT_EQ(shown, 2);
  EXPECT_TRUE(platform::testing::TakeShellRuns().empty());
}

TEST_F(Startup, OtherSystemsRestartElevatedWithUac) {
  const platform::OsVersionRecord win7 = Version(6, 1, 1), win8 = Version(6, 2, 1), server2003 = Version(5, 2, 3);
  for (const platform::OsVersionRecord* v : {&win7, &win8, &server2003, static_cast<const platform::OsVersionRecord*>(nullptr)}) {
    platform::testing::SetOsVersion(v, 0, 0);
    EXPECT_EQ(Start(false), 0);
    auto runs = platform::testing::TakeShellRuns();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].verb, "runas");
    EXPECT_EQ(runs[0].file, "D:\\Downloads\\VeltaroSetup.exe");
    EXPECT_EQ(runs[0].params, "UAC");
  }
  // A declined prompt ends the same way, silently.
  platform::testing::SetShellRunsSucceed(false);
  EXPECT_EQ(Start(false), 0);
  EXPECT_EQ(shown, 0);
  EXPECT_TRUE(platform::testing::TakeMessageBoxes().empty());
}

// The second copy, whatever its path to the window, only brings the first
// one's window forward; the first copy's hold ends with its window.
TEST_F(Startup, ASecondCopyBringsTheFirstWindowForwardAndShowsNothing) {
  platform::testing::TakeFrontRequests();
  int inner = -1;
  EXPECT_EQ(StartInstaller(true, [&] { inner = Start(true); }), 0);
  EXPECT_EQ(inner, 0);
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(platform::testing::TakeFrontRequests(), std::vector<std::u16string>{u"TfrmSpeedInstall"});
  EXPECT_EQ(Start(true), 0);
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(platform::testing::TakeFrontRequests().empty());
}

TEST(BrowseForFolder, PassesTitleAndInitialFolderAndReturnsTheChoice) {
  platform::testing::TakeFolderRequests();
  platform::testing::SetFolderPickerAnswer("E:\\Apps");
  EXPECT_EQ(BrowseForFolder(u"title", "C:\\Veltaro365"), "E:\\Apps");
  platform::testing::SetFolderPickerAnswer("");
  EXPECT_EQ(BrowseForFolder(u"title", ""), "");
  auto req = platform::testing::TakeFolderRequests();
  ASSERT_EQ(req.size(), 2u);
  EXPECT_EQ(req[0].initial, "C:\\Veltaro365");
  EXPECT_EQ(req[1].initial, "");
}

TEST(MessageBox, IsAnInformationBoxOwnedByTheWindow) {
  platform::testing::TakeMessageBoxes();
  ui::TfrmSpeedInstall form;
  ui::HeadlessHost host(form);
  form.ShowInfo("下载失败");
  auto boxes = platform::testing::TakeMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "下载失败");
  EXPECT_EQ(boxes[0].owner, host.Handle());
  EXPECT_EQ(boxes[0].caption, "提示");
  EXPECT_EQ(boxes[0].flags, platform::kMbOk | platform::kMbIconInformation);
}

TEST(PumpMessages, ReportsAQuitFromThePump) {
  int runs = 0;
  platform::testing::SetMessagePump([&] { return ++runs == 2; });
  EXPECT_FALSE(PumpMessages());
  EXPECT_TRUE(PumpMessages());
  platform::testing::SetMessagePump(nullptr);
  EXPECT_FALSE(PumpMessages());
  EXPECT_EQ(runs, 2);
}
#endif

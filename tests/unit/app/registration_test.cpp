// Leaving the installer: the close buttons on every page, registration on the
// completion page, the launch button.
#include <atomic>

#include "common/pubShare.h"
#include "platform/system.h"
#include "platform/testing.h"
#include "platform/thread.h"
#include "tests/support/TempDir.h"
#include "tests/unit/app/flow_fixture.h"

using namespace app;
namespace pt = platform::testing;
using platform::RegRoot;

namespace {
struct Write {
  RegRoot root;
  std::string key, name, data;
  bool operator==(const Write& o) const { return root == o.root && key == o.key && name == o.name && data == o.data; }
};
std::ostream& operator<<(std::ostream& os, const Write& w) {
  return os << static_cast<int>(w.root) << " [" << w.key << "] " << w.name << "=" << w.data;
}

// The registry writes since the last call; every one must be a REG_SZ.
std::vector<Write> Writes() {
  std::vector<Write> out;
  for (const auto& w : pt::TakeRegistryWrites()) {
    EXPECT_EQ(w.value.type, platform::RegType::kString) << w.key << " " << w.name;
    out.push_back({w.root, w.key, w.name, w.value.data});
  }
  return out;
}

const char kExplorer[] = "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer";

// Moves the tick count on quickly while it lives, so that the close's 5000 ms
// wait passes in moments of real time.
class FastTicks {
 public:
  FastTicks()
      : t_([this] {
          for (; !done_; platform::SleepMs(1)) pt::AdvanceTickCount(100);
        }) {}
  ~FastTicks() {
    done_ = true;
    t_.Join();
  }

 private:
  std::atomic<bool> done_{false};
  platform::Thread t_;
};
}  // namespace

class RegistrationTest : public FlowTest {
 protected:
  RegistrationTest() {
    pt::TakeShellLinks();
    const platform::LocalTime clock{2026, 1, 5, 8, 7, 9};
    pt::SetLocalTime(&clock);
  }
  ~RegistrationTest() override {
    pt::SetLocalTime(nullptr);
    pt::SetShellLinkFailure("");
    pt::SetDesktopFolder("C:\\Users\\user\\Desktop");
  }
  // The completion page after an install into `dir` of version V2.1.0.
  void OnCompletionPage(const std::string& dir) {
    host.Show();
    InstallDir = dir;
    ProductVersion = "V2.1.0";
    form.nbMain->SetPageIndex(3);
    Writes();
    Boxes();
  }
  bool AnyTimerOn() { return form.tmr1.enabled || form.tmr2.enabled || form.tmr3.enabled; }
};

TEST_F(RegistrationTest, CloseOnTheFirstTwoPagesWritesNothing) {
  OnCompletionPage("D:\\VP");
  for (int page : {0, 1}) {
    host.closed = false;
    form.nbMain->SetPageIndex(page);
    host.ClickOn(page == 0 ? "lblClose" : "lblClose2");
    EXPECT_TRUE(host.closed) << page;
    EXPECT_TRUE(Writes().empty()) << page;
    EXPECT_TRUE(pt::TakeShellLinks().empty()) << page;
    EXPECT_TRUE(pt::TakeShellRuns().empty()) << page;
  }
}

// The fifteen values in order, the shortcut, the product not started. A folder
// ending in a backslash gives doubled backslashes; a second close writes the
// same again. Without the "Desktop" value the link would land in the root of
// the current drive: the shell's desktop folder is taken instead.
TEST_F(RegistrationTest, CompletionRegistersTheProductAndMakesTheShortcut) {
  const std::string u = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VeltaroTesmar\\";
  const std::string a = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\VeltaroTesmar\\";
  const std::string publisher = "Tesmar Veltaro Information Technology Co., Ltd.";
  const std::string web = WebSiteUrl();
  ASSERT_EQ(web.compare(0, 7, "http://"), 0);
  ASSERT_EQ(web.back(), '/');
  const auto M = RegRoot::kLocalMachine, R = RegRoot::kClassesRoot;
  for (const std::string i : {"E:\\Soft\\VeltaroPlatform", "E:\\\\VeltaroPlatform\\"}) {
    SCOPED_TRACE(i);
    OnCompletionPage(i);
    const bool desktopValue = i.back() != '\\';
    const std::string shellFolders = std::string(kExplorer) + "\\Shell Folders";
    if (desktopValue) WriteRegString(shellFolders, "Desktop", "C:\\Users\\me\\Desktop", kRootCurrentUser);
    else platform::RegRemoveTree(RegRoot::kCurrentUser, shellFolders);
    pt::SetDesktopFolder("C:\\Users\\shell\\Desktop");
    Writes();
    const std::vector<Write> expected = {
        {M, u, "DisplayIcon", "\"" + i + "\\VeltaroLauncher.exe\""},
        {M, u, "DisplayName", "Veltaro365"},
        {M, u, "DisplayVersion", "V2.1.0"},
        {M, u, "UninstallString", "\"" + i + "\\Uninstall\\uninst.exe\""},
        {M, u, "HelpLink", web},
        {M, u, "URLInfoAbout", web},
        {M, u, "Publisher", publisher},
        {M, a, "", i + "\\VeltaroLauncher.exe"},
        {M, a, "Path", i + "\\"},
        {M, a, "InstallTime", "2026-01-05 08:07:09"},
        {R, "vlttesmar", "", "URL:vlt Protocol Handler"},
        {R, "vlttesmar", "URL Protocol", ""},
        {R, "vlttesmar\\DefaultIcon", "", "\"" + i + "\\365.ico\""},
        {R, "vlttesmar\\Shell\\open", "FriendlyAppName", "Veltaro"},
        {R, "vlttesmar\\Shell\\open\\command", "", "\"" + i + "\\VAVodevado.exe\" \"%1\""},
    };
    // The close twice, then "立即体验", which registers the same before it starts the product.
    for (const char* button : {"lblClose4", "lblClose4", "lblWC"}) {
      SCOPED_TRACE(button);
      const bool launch = button == std::string("lblWC");
      host.closed = false;
      host.ClickOn(button);
      EXPECT_TRUE(host.closed);
      EXPECT_EQ(Writes(), expected);
      const auto links = pt::TakeShellLinks();
      ASSERT_EQ(links.size(), 1u);
      EXPECT_EQ(links[0].target, i + "\\VeltaroLauncher.exe");
      EXPECT_EQ(links[0].workDir, i + "\\");
      EXPECT_EQ(links[0].description, publisher);
      const std::string desktop = desktopValue ? "C:\\Users\\me\\Desktop" : "C:\\Users\\shell\\Desktop";
      EXPECT_EQ(links[0].path, desktop + "\\Veltaro365.lnk");
      const auto runs = pt::TakeShellRuns();
      if (launch) {
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].verb, "open");
        EXPECT_EQ(runs[0].file, i + "\\VeltaroLauncher.exe");
        EXPECT_EQ(runs[0].params, "");
        EXPECT_EQ(runs[0].dir, i);
        EXPECT_EQ(runs[0].owner, host.AppHandle());  // the application window, not the form
        EXPECT_EQ(MissingInOrder(LogLastRun(), {"INFO  launch " + i + "\\VeltaroLauncher.exe"}), "");
      } else {
        EXPECT_TRUE(runs.empty()) << "a close never starts the product";
      }
    }
    EXPECT_EQ(ReadRegString(a, "Path"), i + "\\") << "what the next run proposes";
  }
}

// The close and "立即体验" alike: the window stays, and the product is not started.
TEST_F(RegistrationTest, ShortcutObjectFailureStopsAfterTheUninstallEntry) {
  OnCompletionPage("D:\\VP");
  pt::SetShellLinkFailure("Class not registered");
  for (const char* button : {"lblClose4", "lblWC"}) {
    SCOPED_TRACE(button);
    host.ClickOn(button);
    const auto boxes = pt::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Class not registered");
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 7u) << "values 1 to 7 only";
    EXPECT_EQ(writes.back().name, "Publisher");
    EXPECT_EQ(MissingInOrder(LogLastRun(), {"FAIL  registration stopped: Class not registered"}), "");
    EXPECT_FALSE(host.closed);
    EXPECT_TRUE(pt::TakeShellRuns().empty());
    EXPECT_EQ(form.nbMain->pageIndex(), 3);
  }
}

// On page 2 with a synchronous fetch possibly below, or with no job, the
// process ends at once: the window is not closed first.
TEST_F(RegistrationTest, CloseOnPage2EndsAtOnceWithoutAJobOrInSynchronousMode) {
  host.Show();
  form.nbMain->SetPageIndex(2);
  for (bool sync : {true, false}) {
    flow.SyncFallback = sync;
    form.SetTimerEnabled(form.tmr1, true);
    try {
      host.ClickOn("lblClose32");
      ADD_FAILURE() << "the process did not end";
    } catch (const pt::ProcessEnded& e) {
      EXPECT_EQ(e.exitCode, 0);
    }
    EXPECT_FALSE(host.closed);
    EXPECT_EQ(form.tmr1.enabled, sync) << "without a job tmr1 stops first";
  }
}

TEST_F(RegistrationTest, CloseMidDownloadCancelsAndKeepsTheResumeState) {
  PublishManifest("V1", "Pkg.zip", PublishPackage("Pkg.zip", std::string(4 << 20, 'p')));
  kit::ServerFaults slow;
  slow.rate = 256 * 1024;
  server.SetFaults(slow);
  ShowAndOpenPage1();
  host.ClickOn("lblLJAZ");
  ASSERT_TRUE(RunUntil([&] { return flow.CurrentJob && flow.CurrentJob->GetPercent() > 0; }));
  const auto job = flow.CurrentJob;
  const uint32_t start = platform::TickCount();
  host.ClickOn("lblClose31");
  EXPECT_LT(platform::TickCount() - start, 5000u) << "the manager stopped well within the wait";
  EXPECT_EQ(job->Running, 0);
  EXPECT_TRUE(Exists("D:\\Program Files\\Veltaro\\InstVeltaro\\Downloads\\Pkg.zip.rpc.cfg"));
  EXPECT_TRUE(host.closed);
  EXPECT_FALSE(flow.CurrentJob);
  EXPECT_FALSE(AnyTimerOn());
}

// A manager that failed before its download phase never clears Running: the
// close waits the whole 5000 ms, handling the failure notice meanwhile; the
// notice starts nothing.
TEST_F(RegistrationTest, CloseWaitsOutAManagerThatNeverStops) {
  PublishManifest("V1", "Missing.zip", "AB");
  ShowAndOpenPage1();
  host.ClickOn("lblLJAZ");
  const auto job = flow.CurrentJob;
  ASSERT_TRUE(job);
  uint32_t waited = 0;
  {
    FastTicks fast;
    const uint32_t start = platform::TickCount();
    host.ClickOn("lblClose33");
    waited = platform::TickCount() - start;
  }
  EXPECT_GE(waited, 5000u);
  EXPECT_EQ(job->Running, 1);
  EXPECT_TRUE(job->CancelRequested);
  EXPECT_TRUE(host.closed);
  EXPECT_FALSE(flow.CurrentJob);
  EXPECT_FALSE(AnyTimerOn());
  // The notice came during the wait, with the clock running: still no
  // fallback was fetched (it would fail with its box).
  for (const std::string& r : server.Requests()) EXPECT_EQ(r.find("GET /zelqa/DOWN_CENTER/VELTARO/VELTARO/Missing.zip"), std::string::npos);
  EXPECT_TRUE(Boxes().empty());
  jobs.push_back(job);
}

// Closed while tmr3 polls a base-service download whose server went silent:
// every timer is off, the window has let go of the job, and the cancel ends the
// segments' waiting reads, so the manager ends and frees the job while the
// server still holds both connections open.
TEST_F(RegistrationTest, CloseWhileTheBaseServiceDownloadHangs) {
  server.AddFile("/rjxz/KESMO365/YCSFW/DiruvOzoBaseService.exe", std::string(64 << 10, 's'));
  kit::ServerFaults stall;
  stall.stallAfter = 1000;
  server.SetFaults(stall);
  host.Show();
  InstallDir = "D:\\VP";
  form.nbMain->SetPageIndex(2);
  flow.DownloadAttachedFiles();
  ASSERT_TRUE(form.tmr3.enabled);
  std::weak_ptr<TDownloadJob> job = flow.CurrentJob;
  auto gets = [&] {
    int n = 0;
    for (const auto& r : server.Requests()) n += r.compare(0, 10, "GET /rjxz/") == 0;
    return n;
  };
  for (int i = 0; i < 2000 && gets() < 2; ++i) platform::SleepMs(5);
  ASSERT_EQ(gets(), 2) << "both segments are waiting for data";
  {
    FastTicks fast;
    host.ClickOn("lblClose31");
  }
  EXPECT_TRUE(host.closed);
  EXPECT_FALSE(flow.CurrentJob);
  EXPECT_FALSE(AnyTimerOn());
  host.Advance(1000);  // no timer may fire against the released job
  EXPECT_EQ(form.nbMain->pageIndex(), 2);

  for (int i = 0; i < 600 && !job.expired(); ++i) {  // well within the 5 s read time-out
    host.ProcessMessages();
    platform::SleepMs(5);
  }
  EXPECT_TRUE(job.expired()) << "the engine ended and freed the job";
  EXPECT_TRUE(Boxes().empty());
}

// While the close waits for a manager that never clears Running, the polling
// timers and the fallback's come due and start nothing: no unpack of the
// finished package, no fallback fetch, no components; nor does the rest of a
// handler the close interrupted.
TEST_F(RegistrationTest, NothingStartsOnceTheCloseBegan) {
  const std::string pkg = MakePackage({{"VeltaroMain.exe", "main"}});
  PublishManifest("V1", "Pkg.zip", PublishPackage("Pkg.zip", pkg));
  host.Show();
  InstallDir = "D:\\VP";
  flow.PackageFile = "D:\\Pkg.zip";
  ASSERT_TRUE(testsupport::WriteFileBytes(flow.PackageFile, pkg));
  SetNotifyWindow(nullptr);  // a manager that ends early and silently
  const auto job = TDownloadJob::Create(server.Url("/missing.zip"), "D:\\x.zip", 2);
  jobs.push_back(job);
  ASSERT_TRUE(job->WaitEngineEnded(20000));
  ASSERT_EQ(job->Running, 1);
  job->Finished = true;
  const size_t requestsBefore = server.Requests().size();
  for (ui::Timer* t : {&form.tmr1, &form.tmr2, &form.tmr3}) {
    SCOPED_TRACE(t == &form.tmr1 ? "tmr1" : t == &form.tmr2 ? "tmr2" : "tmr3");
    flow.Closing = false;
    host.closed = false;
    flow.CurrentJob = job;
    form.nbMain->SetPageIndex(2);
    form.SetTimerEnabled(*t, true);
    {
      FastTicks fast;
      host.ClickOn("lblClose31");
    }
    EXPECT_TRUE(host.closed);
    EXPECT_FALSE(Exists("D:\\VP\\VeltaroMain.exe"));
    EXPECT_EQ(form.nbMain->pageIndex(), 2);
    EXPECT_FALSE(flow.SyncFallback);
  }
  flow.DownloadAttachedFiles();
  EXPECT_FALSE(flow.CurrentJob);
  EXPECT_EQ(server.Requests().size(), requestsBefore);
}

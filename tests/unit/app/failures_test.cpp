// How the install sequence recovers when a download fails or the package is
// not the one the manifest names.
#include <string>

#include "common/KpLib.h"
#include "download/JobTargets.h"
#include "download/Notify.h"
#include "platform/codepage.h"
#include "platform/fs.h"
#include "platform/testing.h"
#include "platform/system.h"
#include "platform/thread.h"
#include "tests/support/TempDir.h"
#include "tests/unit/app/flow_fixture.h"

using namespace app;

namespace {
const char kPackageFile[] = "D:\\Program Files\\Veltaro\\InstVeltaro\\Downloads\\Pkg.zip";
const char kMainExe[] = "D:\\Program Files\\Veltaro\\VeltaroPlatform\\VeltaroMain.exe";

class Failures : public FlowTest {
 protected:
  void Ready(const std::string& manifestCrc = "auto") {
    pkg = MakePackage({{"VeltaroMain.exe", "main"}, {"data.bin", Noise(200000)}});
    crc = PublishPackage("Pkg.zip", pkg);
    PublishManifest("V2", "Pkg.zip", manifestCrc == "auto" ? crc : manifestCrc);
    ShowAndOpenPage1();
  }
  bool Interrupted() {
    return form.lblErrorHint->visible && form.lblXZ->visible && form.imgbtn_XZ->visible &&
           !form.lblDownLoadState->visible;
  }
  // Both segments drop their connection after 30000 bytes, once each.
  void BreakBothSegments() {
    kit::ServerFaults f;
    f.dropAfter = 30000;
    f.faultCount = 2;
    server.SetFaults(f);
  }
  std::string pkg, crc;
};
}  // namespace

TEST_F(Failures, BothSegmentsFailingFallBackToOneFetchAndShowTheHint) {
  Ready();
  BreakBothSegments();
  host.ClickOn("lblLJAZ");
  ASSERT_TRUE(BothSegmentsFailed(*flow.CurrentJob));
  // First notice: the job is cancelled and the fallback armed; second: the hint.
  ASSERT_TRUE(RunUntil([&] { return Interrupted(); }));
  ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));
  EXPECT_TRUE(flow.SyncFallback);
  EXPECT_EQ(PackageGets(false), 1);
  EXPECT_FALSE(form.tmr1.enabled || form.tmr2.enabled);
  EXPECT_EQ(ReadAll(kMainExe), "main");
  EXPECT_TRUE(Boxes().empty());
  // The job's own lines follow its end, which may come after the fallback's start.
  const std::string run = LogLastRun();
  EXPECT_EQ(MissingInOrder(run, {"FAIL  fallback to one synchronous fetch: the download job reported a failure",
                                 "checksum " + crc + " accepted"}),
            "");
  EXPECT_EQ(MissingInOrder(run, {"下载异常", "ended without the file"}), "");
  // The failed job's resume files describe nothing that is still needed.
  EXPECT_FALSE(Exists(std::string(kPackageFile) + ".rpc"));
  EXPECT_FALSE(Exists(std::string(kPackageFile) + ".rpc.cfg"));
}

// What stands at the package's name before the job (here a read-only package
// of another release) is cleared, and the file the job completed is installed.
TEST_F(Failures, AStalePackageAtItsNameGivesWayToTheJobsFile) {
  Ready();
  ForceDirs(FolderPart(kPackageFile));
  ASSERT_TRUE(testsupport::WriteFileBytes(kPackageFile, "stale"));
  ASSERT_TRUE(platform::SetAttributes(kPackageFile, platform::kAttrReadOnly));
  host.ClickOn("lblLJAZ");
  ASSERT_TRUE(RunUntil([&] { return OnPage(3) || !Boxes().empty(); }));
  EXPECT_TRUE(OnPage(3));
  EXPECT_EQ(PackageGets(false), 0) << "no fallback";
  EXPECT_EQ(ReadAll(kMainExe), "main");
  EXPECT_EQ(flow.CurrentJob->FinalName(), flow.PackageFile);
  NoteJob();
}

// "继续安装" shows the working state before it waits for the earlier job: the
// button is gone while the wait lasts, so no second click starts a second job.
TEST_F(Failures, ContinueShowsTheWorkingStateBeforeItWaits) {
  Ready();
  flow.PackageFile = kPackageFile;
  form.nbMain->SetPageIndex(2);
  form.ShowInterruptedState();
  const uint64_t earlier = HoldJobTarget(kPackageFile);
  bool buttonDuringWait = true;
  platform::Thread release([&] {
    platform::SleepMs(300);
    WaitForEarlierJob("D:\\elsewhere", 0, nullptr);  // after the window's last look at the name
    buttonDuringWait = form.lblXZ->visible || form.imgbtn_XZ->visible;
    ReleaseJobTarget(kPackageFile, earlier);
  });
  host.ClickOn("lblXZ");
  release.Join();
  EXPECT_FALSE(buttonDuringWait);
  ASSERT_TRUE(flow.CurrentJob);
  NoteJob();
  flow.CurrentJob->Cancel();
}

TEST_F(Failures, FirstNoticeArmsTheFallbackOneSecondLater) {
  Ready();
  BreakBothSegments();
  host.ClickOn("lblLJAZ");
  ASSERT_TRUE(BothSegmentsFailed(*flow.CurrentJob));
  auto job = flow.CurrentJob;
  // Pump without moving the clock: the notices are handled, tmr2 does not fire.
  ASSERT_TRUE(PumpUntil([&] { return Interrupted(); }));
  EXPECT_FALSE(form.tmr1.enabled);
  EXPECT_TRUE(form.tmr2.enabled);
  EXPECT_TRUE(job->CancelRequested || job->Running == 0);
  host.Advance(999);
  EXPECT_FALSE(flow.SyncFallback);
  EXPECT_EQ(PackageGets(false), 0);
  host.Advance(1);
  EXPECT_TRUE(flow.SyncFallback);
  EXPECT_FALSE(form.tmr2.enabled);
  EXPECT_EQ(PackageGets(false), 1);
  EXPECT_TRUE(OnPage(3));
}

TEST_F(Failures, ContinueResumesWithANewJob) {
  Ready();
  BreakBothSegments();
  host.ClickOn("lblLJAZ");
  ASSERT_TRUE(BothSegmentsFailed(*flow.CurrentJob));
  auto first = flow.CurrentJob;
  ASSERT_TRUE(PumpUntil([&] { return Interrupted(); }));
  ASSERT_TRUE(first->WaitEngineEnded(20000));  // the cancel saved the resume state
  const size_t before = server.Requests().size();
  host.ClickOn("lblXZ");
  EXPECT_FALSE(form.lblErrorHint->visible || form.lblXZ->visible || form.imgbtn_XZ->visible);
  EXPECT_TRUE(form.lblDownLoadState->visible);
  ASSERT_NE(flow.CurrentJob, first);
  EXPECT_TRUE(form.tmr1.enabled);
  NoteJob();
  ASSERT_TRUE(flow.CurrentJob->WaitEngineEnded(20000));
  ASSERT_TRUE(flow.CurrentJob->Finished);
  // The second job asked only for what the first had not received.
  int resumed = 0;
  const auto requests = server.Requests();
  for (size_t i = before; i < requests.size(); ++i) {
    if (requests[i].rfind("GET ", 0) != 0) continue;
    EXPECT_EQ(requests[i].find("Range: bytes=0-"), std::string::npos) << requests[i];
    ++resumed;
  }
  EXPECT_EQ(resumed, 2);
  EXPECT_EQ(ReadAll(kPackageFile), pkg);
  // tmr1 (armed by the click) polls before the pending fallback's tick.
  host.Advance(100);
  EXPECT_TRUE(OnPage(3));
  EXPECT_FALSE(flow.SyncFallback);
}

// A notice counts only for the job in CurrentJob; one from another job (an
// earlier one still ending) leaves the polling, the job and the strip alone.
TEST_F(Failures, ANoticeOfAnotherJobChangesNothing) {
  Ready();
  SetNotifyWindow(nullptr);  // the jobs below end without a word
  auto current = TDownloadJob::Create(server.Url("/missing.zip"), "D:\\x.zip", 2);
  auto other = TDownloadJob::Create(server.Url("/missing.zip"), "D:\\y.zip", 2);
  ASSERT_TRUE(current->WaitEngineEnded(20000) && other->WaitEngineEnded(20000));
  SetNotifyWindow(host.MakeNotifyTarget());
  form.nbMain->SetPageIndex(2);
  const struct {
    bool polling;  // tmr1 polls the job
    bool fromCurrent;
    bool fallbackArmed, hint;
  } rows[] = {
      {true, false, false, false},
      {false, false, false, false},
      {true, true, true, false},
      {false, true, false, true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << "polling " << r.polling << ", from the current job " << r.fromCurrent);
    flow.CurrentJob = current;
    current->CancelRequested = false;
    form.ShowWorkingState();
    form.SetTimerEnabled(form.tmr1, r.polling);
    form.SetTimerEnabled(form.tmr2, false);
    GetNotifyWindow()->SendDownloadFailed((r.fromCurrent ? current : other)->Id);
    EXPECT_EQ(form.tmr1.enabled, r.polling && !r.fromCurrent);
    EXPECT_EQ(form.tmr2.enabled, r.fallbackArmed);
    EXPECT_EQ(current->CancelRequested.load(), r.fallbackArmed);
    EXPECT_EQ(Interrupted(), r.hint);
  }
  form.SetTimerEnabled(form.tmr1, false);
  form.SetTimerEnabled(form.tmr2, false);
  flow.CurrentJob.reset();
}

TEST_F(Failures, PercentAbove100FinishesTheJobAndUnpacksAtOnce) {
  Ready();
  // A job whose manager ended early and silently, with progress over its size.
  SetNotifyWindow(nullptr);
  auto job = TDownloadJob::Create(server.Url("/missing.zip"), "D:\\x.zip", 2);
  ASSERT_TRUE(job->WaitEngineEnded(20000));
  host.Show();  // NotifyWindow back
  host.ClickOn("lblAZ");
  job->Size = 1000;
  job->Downloaded = 1010;
  job->ProgressValid = true;
  ASSERT_EQ(job->GetPercent(), 101);
  struct {
    const char* name;
    bool fileThere;
  } cases[] = {{"package at its name", true}, {"no package file", false}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    job->Finished = false;
    ForceDirs(FolderPart(kPackageFile));
    platform::RemoveFile(kPackageFile);
    if (c.fileThere) {
      ASSERT_TRUE(testsupport::WriteFileBytes(kPackageFile, pkg));
    }
    flow.PackageFile = kPackageFile;
    InstallDir = "D:\\Program Files\\Veltaro\\VeltaroPlatform";
    flow.CurrentJob = job;
    form.nbMain->SetPageIndex(2);
    form.SetTimerEnabled(form.tmr1, true);
    host.Advance(100);
    EXPECT_EQ(form.lblJD->text, "100%");
    EXPECT_EQ(form.lblJDT->width, 580);
    EXPECT_TRUE(job->Finished);
    EXPECT_FALSE(form.tmr1.enabled);
    // Found: unpacked. Missing: it cannot match the checksum, so the fallback
    // is armed as after a failure notice.
    EXPECT_EQ(OnPage(3), c.fileThere);
    EXPECT_EQ(form.tmr2.enabled, !c.fileThere);
    form.SetTimerEnabled(form.tmr2, false);
  }
}

TEST_F(Failures, ADownloadedPackageIsCheckedAfterTheJobAndAfterTheFallback) {
  const std::string bad = MakePackage({{"VeltaroMain.exe", "damaged"}});
  struct {
    const char* name;
    bool fallbackSound;  // the fallback fetch gets the manifest's package
    int fallbackStatus;  // or the server answers this
    const char* box;
  } cases[] = {
      {"fallback sound", true, 0, ""},
      {"fallback damaged too", false, 0, "下载失败"},
      {"fallback not found", false, 404, "下载失败"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::RemoveTree("D:\\");
    Ready();
    server.AddFile(std::string(kPackagePath) + "Pkg.zip", bad);  // the job gets a damaged package
    host.ClickOn("lblLJAZ");
    ASSERT_TRUE(RunUntil([&] { return form.tmr2.enabled; }));
    EXPECT_TRUE(flow.CurrentJob->Finished);
    EXPECT_FALSE(Exists(kPackageFile));  // deleted, not unpacked
    EXPECT_FALSE(Exists(kMainExe));
    if (c.fallbackSound) server.AddFile(std::string(kPackagePath) + "Pkg.zip", pkg);
    kit::ServerFaults f;
    f.status = c.fallbackStatus;
    server.SetFaults(f);
    host.Advance(1000);
    EXPECT_TRUE(flow.SyncFallback);
    EXPECT_EQ(Boxes(), *c.box ? std::vector<std::string>{c.box} : std::vector<std::string>{});
    EXPECT_EQ(Exists(kMainExe), c.fallbackSound);
    EXPECT_EQ(ReadAll(kPackageFile), c.fallbackSound ? pkg : "");
    EXPECT_EQ(OnPage(3), c.fallbackSound);
    server.SetFaults(kit::ServerFaults());
    NoteJob();
    flow.CurrentJob.reset();
    flow.SyncFallback = false;
  }
}

TEST_F(Failures, UnpackFailureTextDependsOnHowThePackageCame) {
  struct {
    bool viaFallback;
    const char* box;
  } cases[] = {{false, "安装失败"}, {true, "解压失败"}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.box);
    testsupport::RemoveTree("D:\\");
    // Without a checksum in the manifest any body is taken as the package.
    Ready("");
    server.AddFile(std::string(kPackagePath) + "Pkg.zip", Noise(100000));
    if (c.viaFallback) BreakBothSegments();
    host.ClickOn("lblLJAZ");
    std::vector<std::string> boxes;
    ASSERT_TRUE(RunUntil([&] {
      for (const std::string& b : Boxes()) boxes.push_back(b);
      return !boxes.empty();
    }));
    EXPECT_EQ(boxes, std::vector<std::string>{c.box});
    EXPECT_FALSE(form.tmr1.enabled || form.tmr2.enabled);
    EXPECT_EQ(flow.SyncFallback, c.viaFallback);
    EXPECT_TRUE(Exists(kPackageFile));  // the package file stays
    EXPECT_FALSE(Exists(kMainExe));
    EXPECT_TRUE(OnPage(2));
    server.SetFaults(kit::ServerFaults());
    NoteJob();
    flow.CurrentJob.reset();
    flow.SyncFallback = false;
  }
}

TEST_F(Failures, PollingTimersWithoutAJobStopThemselves) {
  host.Show();
  for (ui::Timer* t : {&form.tmr1, &form.tmr3}) {
    SCOPED_TRACE(t == &form.tmr1 ? "tmr1" : "tmr3");
    form.SetTimerEnabled(*t, true);
    host.Advance(100);
    EXPECT_FALSE(t->enabled);
    EXPECT_EQ(form.lblJD->text, "0%");
  }
}

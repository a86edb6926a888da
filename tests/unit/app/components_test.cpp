// The base service and the three drivers below the installation folder.
#include <algorithm>

#include "app/ReleaseCheck.h"
#include "common/KpLib.h"
#include "common/pubShare.h"
#include "platform/testing.h"
#include "tests/support/TempDir.h"
#include "tests/unit/app/flow_fixture.h"

using namespace app;
namespace pt = platform::testing;

namespace {
const char kDir[] = "D:\\VP";
const char kBasePath[] = "/rjxz/KESMO365/YCSFW/DiruvOzoBaseService.exe";
const char kDriverPath[] = "/zelqa/DOWN_CENTER/SBQD/";
const char* const kDrivers[] = {"SWUKeyDrive.exe", "VeltaroCSP.exe", "SKPDrive.exe"};
const char kServiceKey[] = "SOFTWARE\\Veltaro\\VeltaroService\\";

std::string Target(int i) {
  const std::string dir = kDir;
  return i == 0 ? dir + "\\ThirdSoftware\\BaseService.exe" : dir + "\\App\\" + kDrivers[i - 1];
}

void Put(const std::string& path, const std::string& bytes) {
  ForceDirs(FolderPart(path));
  ASSERT_TRUE(testsupport::WriteFileBytes(path, bytes)) << path;
}

// An installed base service of `version`; a null version writes no Version.INI.
void InstallService(const char* version, bool fileExists = true) {
  WriteRegString(kServiceKey, "TMVeltaroWinSerPath", "E:\\Svc\\svc.exe");
  Put("E:\\Svc\\Version.INI", version ? std::string("[sys]\r\nver=") + version + "\r\n" : "[other]\r\n");
  if (fileExists) Put("E:\\Svc\\svc.exe", "svc");
}
}  // namespace

class ComponentsTest : public FlowTest {
 protected:
  ComponentsTest() {
    host.Show();
    InstallDir = kDir;
    form.nbMain->SetPageIndex(2);
    Boxes();
  }
  void PublishAll(bool base = true, int skipDriver = -1) {
    if (base) server.AddFile(kBasePath, "base-service");
    for (int i = 0; i < 3; ++i)
      if (i != skipDriver) server.AddFile(std::string(kDriverPath) + kDrivers[i], std::string("driver-") + kDrivers[i]);
  }
  int ComponentRequests() {
    int n = 0;
    for (const auto& r : server.Requests())
      n += r.find("rjxz/") != std::string::npos || r.find("SBQD/") != std::string::npos;
    return n;
  }
};

TEST_F(ComponentsTest, InstalledBaseServiceVersionComparedByteWise) {
  const struct {
    const char* version;
    bool fileExists;
    bool installed;
  } rows[] = {
      {"2.00", true, true}, {"2.1", true, true},   {"3", true, true},     {"10.0", true, false},
      {"2.0", true, false}, {"1.99", true, false}, {"", true, false},     {nullptr, true, false},
      {"2.00", false, false},  // the record names a file that is gone
  };
  for (const auto& r : rows) {
    pt::ResetRegistry();
    testsupport::RemoveTree("E:\\Svc\\");
    EXPECT_FALSE(IsInstallYCS()) << "no record at all";
    InstallService(r.version, r.fileExists);
    EXPECT_EQ(IsInstallYCS(), r.installed) << (r.version ? r.version : "(no Version.INI)") << " file " << r.fileExists;
  }
  testsupport::RemoveTree("E:\\Svc\\");
}

// What is already there is left alone; what is missing is fetched; a driver
// that cannot be fetched is skipped silently. Every row ends on page 3.
TEST_F(ComponentsTest, FetchesOnlyWhatIsMissing) {
  const struct {
    const char* name;
    const char* serviceVersion;  // installed base service, or null
    bool present[4];             // files below InstallDir beforehand
    int unpublishedDriver;       // -1: the server has all three
    bool after[4];
  } rows[] = {
      // First: a published file stays published for the later rows.
      {"tax-disk driver missing on the server", nullptr, {}, 1, {true, true, false, true}},
      {"fresh machine", nullptr, {}, -1, {true, true, true, true}},
      {"service 2.00 installed", "2.00", {}, -1, {false, true, true, true}},
      {"service 10.0 installed", "10.0", {}, -1, {true, true, true, true}},
      {"all four present", nullptr, {true, true, true, true}, -1, {true, true, true, true}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    testsupport::RemoveTree(std::string(kDir) + "\\");
    testsupport::RemoveTree("E:\\Svc\\");
    WriteRegString(kServiceKey, "TMVeltaroWinSerPath", "");
    if (r.serviceVersion) InstallService(r.serviceVersion);
    for (int i = 0; i < 4; ++i)
      if (r.present[i]) Put(Target(i), "old");
    PublishAll(true, r.unpublishedDriver);
    const int before = ComponentRequests();
    form.nbMain->SetPageIndex(2);
    form.lblJD->text = "42%";
    form.lblDownLoadState->text = "state";

    flow.DownloadAttachedFiles();
    ASSERT_TRUE(RunUntil([&] { return form.nbMain->pageIndex() == 3; }));
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(Exists(Target(i)), r.after[i]) << Target(i);
      if (r.present[i]) {
        EXPECT_EQ(ReadAll(Target(i)), "old");
      }
    }
    if (!r.present[0] && r.after[0]) {
      EXPECT_EQ(ReadAll(Target(0)), "base-service");
    }
    const bool nothingMissing = std::all_of(r.present, r.present + 4, [](bool b) { return b; });
    if (nothingMissing || (r.serviceVersion && std::string(r.serviceVersion) == "2.00")) {
      // No base-service fetch: neither the "0%" reset nor its status text.
      EXPECT_EQ(form.lblDownLoadState->text, nothingMissing ? "state" : "正在安装依赖驱动...");
    }
    if (nothingMissing) {
      EXPECT_EQ(form.lblJD->text, "42%");
      EXPECT_EQ(ComponentRequests(), before);
    }
    EXPECT_TRUE(Boxes().empty());
    EXPECT_FALSE(form.tmr3.enabled);
  }
}

// A component stands at its name only once fetched and checked: what stands at
// its fetch name beforehand (a partial file, a planted or read-only one) is
// cleared and the fetched file placed; a name that cannot be cleared (a
// folder) places nothing. Nothing is left at a fetch name.
TEST_F(ComponentsTest, ALeftoverAtTheFetchNameIsNeverPlaced) {
  PublishAll();
  const struct {
    const char* name;
    bool sync;
    bool folder;
  } rows[] = {
      {"read-only leftovers, synchronous fetches", true, false},
      {"a leftover at the base service job's fetch name", false, false},
      {"folders at the fetch names, synchronous fetches", true, true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    testsupport::RemoveTree(std::string(kDir) + "\\");
    for (int i = 0; i < 4; ++i) {
      const std::string fetched = ComponentFetchName(Target(i));
      if (r.folder) {
        ForceDirs(fetched);
      } else {
        Put(fetched, "planted");
        ASSERT_TRUE(platform::SetAttributes(fetched, platform::kAttrReadOnly));
      }
    }
    // An older installer's resume files under the target's own name.
    Put(Target(0) + ".rpc", "old data");
    Put(Target(0) + ".rpc.cfg", "old state");
    form.nbMain->SetPageIndex(2);
    flow.SyncFallback = r.sync;
    flow.DownloadAttachedFiles();
    ASSERT_TRUE(RunUntil([&] { return form.nbMain->pageIndex() == 3; }));
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(Exists(Target(i)), !r.folder) << Target(i);
      if (!r.folder) {
        EXPECT_EQ(ReadAll(Target(i)), i == 0 ? "base-service" : std::string("driver-") + kDrivers[i - 1]);
        EXPECT_FALSE(Exists(ComponentFetchName(Target(i))));
      }
    }
    EXPECT_EQ(Exists(Target(0) + ".rpc") || Exists(Target(0) + ".rpc.cfg"), r.sync) << "gone once a job ran";
  }
}

TEST_F(ComponentsTest, SynchronousModeFetchesTheBaseServiceWithoutAJob) {
  PublishAll();
  flow.SyncFallback = true;
  flow.DownloadAttachedFiles();
  EXPECT_EQ(form.nbMain->pageIndex(), 3) << "done before the call returns";
  EXPECT_FALSE(flow.CurrentJob);
  EXPECT_FALSE(form.tmr3.enabled);
  EXPECT_EQ(ReadAll(Target(0)), "base-service");
}

// First failure: a new job for the service host, same target. Second failure:
// "下载失败", and the window stays on page 2, no drivers. The service host stays
// chosen for the rest of the process.
TEST_F(ComponentsTest, BaseServiceFailuresMoveToTheServiceHostThenStop) {
  PublishAll(false);
  flow.DownloadAttachedFiles();
  ASSERT_TRUE(flow.CurrentJob);
  const auto first = flow.CurrentJob;
  EXPECT_EQ(first->Url, server.Url(kBasePath));
  EXPECT_EQ(form.lblJD->text, "0%");
  EXPECT_EQ(form.lblDownLoadState->text, "正在安装基础服务...");
  EXPECT_TRUE(form.tmr3.enabled);

  ASSERT_TRUE(RunUntil([&] { return flow.CurrentJob != first; }));
  const auto second = flow.CurrentJob;
  EXPECT_TRUE(BaseServiceAltHost);
  EXPECT_EQ(second->Url, "http://localhost:" + std::to_string(server.Port()) + kBasePath);
  EXPECT_EQ(second->FileName, first->FileName);
  EXPECT_TRUE(first->CancelRequested);

  ASSERT_TRUE(RunUntil([&] { return second->Finished.load(); }));
  RunUntil([] { return false; }, 300);  // time for anything that would still follow
  EXPECT_EQ(flow.CurrentJob, second);
  EXPECT_FALSE(form.tmr3.enabled);
  EXPECT_EQ(form.nbMain->pageIndex(), 2);
  EXPECT_EQ(ComponentRequests(), 2) << "one size query for each host, no driver";
  EXPECT_EQ(Boxes(), std::vector<std::string>{"下载失败"});

  PublishAll();
  flow.DownloadAttachedFiles();
  EXPECT_EQ(flow.CurrentJob->Url, second->Url);
  ASSERT_TRUE(RunUntil([&] { return form.nbMain->pageIndex() == 3; }));
  EXPECT_EQ(ReadAll(Target(0)), "base-service");
}

// Both segments of the first job fail (ranged GETs dropped): the first notice
// moves the download to the service host; the second, from the same dead job,
// must not count as the new job's failure.
TEST_F(ComponentsTest, TheFirstJobsSecondNoticeLeavesTheServiceHostJobAlone) {
  PublishAll();
  kit::ServerFaults drop;
  drop.dropAfter = 0;
  drop.faultCount = 2;  // the first job's two segments
  server.SetFaults(drop);
  flow.DownloadAttachedFiles();
  const auto first = flow.CurrentJob;
  ASSERT_TRUE(first);
  ASSERT_TRUE(BothSegmentsFailed(*first));
  ASSERT_TRUE(RunUntil([&] { return form.nbMain->pageIndex() == 3; }));
  EXPECT_NE(flow.CurrentJob, first);
  EXPECT_FALSE(form.lblErrorHint->visible);
  EXPECT_EQ(ReadAll(Target(0)), "base-service");
  EXPECT_TRUE(Boxes().empty());
}

// A segment of the first job drops: the job on the service host waits until
// the first one's manager has ended and, as nothing checks the base service of
// an unkeyed release, fetches it whole (the hosts need not hold the same bytes).
TEST_F(ComponentsTest, RetryOnTheServiceHostStartsAfresh) {
  std::string body(200000, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7 + i / 251);
  server.AddFile(kBasePath, body);
  PublishAll(false);
  kit::ServerFaults f;
  f.dropAfter = 30000;
  f.faultCount = 1;
  server.SetFaults(f);
  flow.DownloadAttachedFiles();
  const auto first = flow.CurrentJob;
  ASSERT_TRUE(RunUntil([&] { return flow.CurrentJob && flow.CurrentJob != first; }));
  const auto second = flow.CurrentJob;
  ASSERT_TRUE(RunUntil([&] { return form.nbMain->pageIndex() == 3; }));
  EXPECT_EQ(second->Log().at(0).substr(22), EngineLogText("进入下载分支1：0 字节。"));
  EXPECT_TRUE(ReadAll(Target(0)) == body);
}

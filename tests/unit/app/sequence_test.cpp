// The install sequence through the window's handlers.
#include <unistd.h>

#include <algorithm>
#include <string>

#include "common/KpLib.h"
#include "common/pubShare.h"
#include "download/Notify.h"
#include "platform/dialog.h"
#include "platform/fs.h"
#include "platform/testing.h"
#include "tests/support/TempDir.h"
#include "tests/unit/app/flow_fixture.h"

using namespace app;
namespace pt = platform::testing;

namespace {
const char kDownloads[] = "D:\\Program Files\\Veltaro\\InstVeltaro\\Downloads\\";
const char kDefaultDir[] = "D:\\Program Files\\Veltaro\\VeltaroPlatform";

class Sequence : public FlowTest {
 protected:
  // A package of `bigBytes` in one member besides VeltaroMain.exe, published
  // with its manifest; the window is shown and on page 1.
  void Ready(size_t bigBytes = 1000, const std::string& crc = "auto") {
    pkg = MakePackage({{"VeltaroMain.exe", "main"}, {"data.bin", Noise(bigBytes)}});
    const std::string real = PublishPackage("Pkg.zip", pkg);
    PublishManifest("V2.1.0", "Pkg.zip", crc == "auto" ? real : crc);
    ShowAndOpenPage1();
  }
  bool Installed() { return ReadAll(std::string(kDefaultDir) + "\\VeltaroMain.exe") == "main"; }
  std::string pkg;
};
}  // namespace

TEST_F(Sequence, FreshInstallDownloadsUnpacksAndReachesTheEnd) {
  Ready(100000);
  EXPECT_EQ(form.lblVersion->text, "V2.1.0");
  EXPECT_EQ(form.lblVersion2->text, "V2.1.0");
  EXPECT_EQ(form.edtAZLJ->text, kDefaultDir);
  // An earlier run's package goes before the job starts, one file at a time;
  // what a link named like a package leads to stays, and so do resume files.
  const std::string d = kDownloads;
  ASSERT_TRUE(testsupport::WriteFileBytes(d + "Old.ZIP", "old") && testsupport::WriteFileBytes(d + "Other.rpc", "r") &&
              testsupport::WriteFileBytes("D:\\backup.zip", "admin"));
  ASSERT_EQ(::symlink(pt::HostPath("D:\\backup.zip").c_str(), pt::HostPath(d + "link.zip").c_str()), 0);
  host.ClickOn("lblLJAZ");
  EXPECT_EQ(form.nbMain->pageIndex(), 2);
  EXPECT_FALSE(platform::FileExists(d + "Old.ZIP"));
  EXPECT_EQ(ReadAll(d + "Other.rpc"), "r");
  EXPECT_EQ(ReadAll("D:\\backup.zip"), "admin");
  ASSERT_TRUE(form.tmr1.enabled);
  ASSERT_NE(flow.CurrentJob, nullptr);
  EXPECT_EQ(flow.CurrentJob->Url, server.Url(std::string(kPackagePath) + "Pkg.zip"));
  EXPECT_EQ(flow.PackageFile, "D:\\Program Files\\Veltaro\\InstVeltaro\\\\Downloads\\Pkg.zip");
  ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));
  EXPECT_FALSE(form.tmr1.enabled);
  EXPECT_EQ(ReadAll(std::string(kDownloads) + "Pkg.zip"), pkg);
  EXPECT_TRUE(Installed());
  EXPECT_EQ(form.lblJD->text, "100%");
  EXPECT_EQ(form.lblJDT->width, 580);
  EXPECT_EQ(PackageGets(true), 2);
  EXPECT_FALSE(flow.SyncFallback);
  EXPECT_TRUE(Boxes().empty());
  // The run's log: what was fetched, the job with the engine's own lines, the
  // check and the unpack. The engine's thread writes the job's lines once it
  // has ended, which may be after the window checked the completed file.
  const std::string run = LogLastRun();
  const std::string started = "started: " + server.Url(std::string(kPackagePath) + "Pkg.zip");
  EXPECT_EQ(MissingInOrder(run, {" START VeltaroSetup ", "INFO  manifest: version \"V2.1.0\", package \"Pkg.zip\"",
                                 started, "创建接收文件成功", "ended: complete as"}),
            "");
  EXPECT_EQ(MissingInOrder(run, {started, "accepted", "unpack into " + std::string(kDefaultDir) + ": 6 of 6 entries"}),
            "");
}

// A log that cannot be opened (a folder stands at its name) is skipped; the
// install goes on as ever.
TEST_F(Sequence, AnUnopenableLogDoesNotStopTheInstall) {
  ForceDirs("D:\\Program Files\\Veltaro\\InstVeltaro\\install.log");
  Ready();
  host.ClickOn("lblLJAZ");
  ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));
  EXPECT_TRUE(Installed());
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(DirExists("D:\\Program Files\\Veltaro\\InstVeltaro\\install.log"));
}

TEST_F(Sequence, DefaultFolderFromAnEarlierInstallOrTheDrive) {
  const char* key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\VeltaroTesmar\\";
  struct {
    const char* path;  // the App Paths "Path" value, or null
    bool mainExe;      // VeltaroMain.exe present there
    const char* want;
  } cases[] = {
      {nullptr, false, kDefaultDir},
      {"E:\\Soft\\VeltaroPlatform\\", true, "E:\\Soft\\VeltaroPlatform"},
      {"E:\\Soft\\VeltaroPlatform\\", false, kDefaultDir},
      {"", false, kDefaultDir},
  };
  host.Show();
  for (auto& c : cases) {
    SCOPED_TRACE(c.path ? c.path : "(none)");
    pt::ResetRegistry();
    if (c.path) WriteRegString(key, "Path", c.path);
    ForceDirs("E:\\Soft\\VeltaroPlatform");
    platform::RemoveFile("E:\\Soft\\VeltaroPlatform\\VeltaroMain.exe");
    if (c.mainExe) {
      ASSERT_TRUE(testsupport::WriteFileBytes("E:\\Soft\\VeltaroPlatform\\VeltaroMain.exe", "x"));
    }
    form.edtAZLJ->text.clear();
    host.ClickOn("lblAZ");
    EXPECT_EQ(form.nbMain->pageIndex(), 1);
    EXPECT_EQ(form.edtAZLJ->text, c.want);
    // A folder already in the box survives "返回" and a second visit.
    form.edtAZLJ->text = "F:\\Mine";
    host.ClickOn("lblFH");
    EXPECT_EQ(form.nbMain->pageIndex(), 0);
    host.ClickOn("lblAZ");
    EXPECT_EQ(form.edtAZLJ->text, "F:\\Mine");
    host.ClickOn("lblFH");
  }
}

TEST_F(Sequence, BrowseResults) {
  struct {
    const char* box;
    const char* answer;  // "" cancels
    const char* want;
  } cases[] = {
      {"D:\\x", "E:\\", "E:\\VeltaroPlatform"},
      {"D:\\x", "E:\\Tools", "E:\\Tools\\VeltaroPlatform"},
      {"D:\\x", "E:\\MyVeltaroPlatformOld", "E:\\MyVeltaroPlatformOld"},
      {"D:\\x", "E:/", "E:/VeltaroPlatform"},
      {"", "", "\\VeltaroPlatform"},
      {"D:\\x", "", "D:\\x\\VeltaroPlatform"},
      {"D:\\veltaroplatform", "", "D:\\veltaroplatform\\VeltaroPlatform"},  // the test is case-sensitive
  };
  ShowAndOpenPage1();
  for (auto& c : cases) {
    SCOPED_TRACE(std::string(c.box) + " | " + c.answer);
    form.edtAZLJ->text = c.box;
    pt::SetFolderPickerAnswer(c.answer);
    host.ClickOn("lblLL");
    EXPECT_EQ(form.edtAZLJ->text, c.want);
    auto asked = pt::TakeFolderRequests();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "请选择安装文件夹");
    EXPECT_EQ(asked[0].initial, c.box);
  }
}

TEST_F(Sequence, InstallClickChecksTheFolderAndTheManifest) {
  struct {
    const char* box;
    bool manifest;
    const char* box_text;  // expected message, "" for none
    const char* installDir;
    const char* madeFolder;  // created whatever the outcome, or ""
  } cases[] = {
      {"", true, "请您先设置安装位置", "", ""},
      {"Q:\\nodrive", true, "此目录不可使用，请您重新选择安装位置", "Q:\\nodrive\\VeltaroPlatform", ""},
      {"E:\\", false, "下载版本文件失败", "E:\\\\VeltaroPlatform", "E:\\VeltaroPlatform"},
      {"E:\\a\\b", false, "下载版本文件失败", "E:\\a\\b\\VeltaroPlatform", "E:\\a\\b\\VeltaroPlatform"},
      {"E:\\Old VeltaroPlatform2", false, "下载版本文件失败", "E:\\Old VeltaroPlatform2", "E:\\Old VeltaroPlatform2"},
  };
  host.Show();  // nothing published: the manifest fetch at show fails
  EXPECT_EQ(form.lblVersion->text, "");
  EXPECT_TRUE(PackageName.empty());
  host.ClickOn("lblAZ");
  for (auto& c : cases) {
    SCOPED_TRACE(c.box);
    InstallDir.clear();
    form.edtAZLJ->text = c.box;
    host.ClickOn("lblLJAZ");
    EXPECT_EQ(Boxes(), std::vector<std::string>{c.box_text});
    EXPECT_EQ(InstallDir, c.installDir);
    if (*c.madeFolder) {
      EXPECT_TRUE(DirExists(c.madeFolder));
    }
    EXPECT_EQ(form.nbMain->pageIndex(), 1);
    EXPECT_EQ(flow.CurrentJob, nullptr);
  }
  // The click fetches the manifest again while there is no package name.
  const auto requests = server.Requests();
  EXPECT_EQ(std::count_if(requests.begin(), requests.end(),
                          [](const std::string& r) { return r.find("VELTARO.XML") != std::string::npos; }),
            4);
}

TEST_F(Sequence, PackageOnDiskIsReusedOnlyWithTheManifestChecksum) {
  const std::string good = MakePackage({{"VeltaroMain.exe", "main"}});
  struct {
    const char* name;
    std::string onDisk;
    bool manifestCrc;
    bool reused;
  } cases[] = {{"right checksum", good, true, true},
               {"other checksum", good + "x", true, false},
               {"no checksum in the manifest", good, false, false}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::RemoveTree(std::string(kDefaultDir) + "\\");
    const std::string crc = PublishPackage("Pkg.zip", good);
    PublishManifest("V2", "Pkg.zip", c.manifestCrc ? crc : "");
    ForceDirs(kDownloads);
    ASSERT_TRUE(testsupport::WriteFileBytes(std::string(kDownloads) + "Pkg.zip", c.onDisk));
    form.nbMain->SetPageIndex(0);
    ShowAndOpenPage1();
    const int before = PackageGets(true);
    host.ClickOn("lblLJAZ");
    if (c.reused) {
      // Unpacked inside the click: no job, no ".zip" deleted, and the strip shows 99 %.
      EXPECT_EQ(flow.CurrentJob, nullptr);
      EXPECT_TRUE(platform::FileExists(std::string(kDownloads) + "Pkg.zip"));
      EXPECT_EQ(form.nbMain->pageIndex(), 3);
      EXPECT_EQ(form.lblJD->text, "99%");
      EXPECT_EQ(form.lblJDT->width, 574);
    } else {
      ASSERT_NE(flow.CurrentJob, nullptr);
      ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));
      EXPECT_EQ(PackageGets(true) - before, 2);
    }
    EXPECT_EQ(ReadAll(std::string(kDownloads) + "Pkg.zip"), good);
    EXPECT_TRUE(Installed());
    EXPECT_TRUE(Boxes().empty());
    NoteJob();
    flow.CurrentJob.reset();
  }
}

// An entry of a method the unpack does not know: the flow shows "Zip Error"
// while the unpack stands at it; the rest installs.
TEST_F(Sequence, AnUnknownMethodShowsZipErrorDuringTheUnpack) {
  std::string zip = MakePackage({{"VeltaroMain.exe", "main"}, {"odd.bin", "odd"}});
  zip[zip.find("PK\1\2", zip.find("PK\1\2") + 1) + 10] = 12;  // the second central record's method
  PublishManifest("V2", "Pkg.zip", PublishPackage("Pkg.zip", zip));
  ShowAndOpenPage1();
  host.ClickOn("lblLJAZ");
  ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));
  const auto boxes = pt::TakeMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_EQ(boxes[0].text + "|" + boxes[0].caption, "Unknown Compression Method|Zip Error");
  EXPECT_EQ(boxes[0].flags, platform::kMbOk);
  EXPECT_TRUE(Installed());
  EXPECT_FALSE(Exists(std::string(kDefaultDir) + "\\odd.bin"));
  EXPECT_EQ(MissingInOrder(LogLastRun(), {"INFO  message box: Unknown Compression Method", "unpack into "}), "");
  NoteJob();
}

// Installing over a product: its read-only program (an earlier release's) is
// replaced; a file that cannot be (a folder in its way here, a running program
// on Windows) leaves the rest unpacked and the install failed; the next try
// reuses the package.
TEST_F(Sequence, AnUnpackThatCouldNotWriteAFileFailsAndKeepsThePackage) {
  Ready();
  const std::string main = std::string(kDefaultDir) + "\\VeltaroMain.exe";
  const std::string data = std::string(kDefaultDir) + "\\data.bin";
  ForceDirs(kDefaultDir);
  ASSERT_TRUE(testsupport::WriteFileBytes(main, "old"));
  ASSERT_TRUE(platform::SetAttributes(main, platform::kAttrReadOnly));
  ASSERT_TRUE(platform::CreateDir(data));
  host.ClickOn("lblLJAZ");
  std::vector<std::string> boxes;
  ASSERT_TRUE(RunUntil([&] {
    for (const std::string& b : Boxes()) boxes.push_back(b);
    return !boxes.empty() || OnPage(3);
  }));
  EXPECT_EQ(boxes, std::vector<std::string>{"安装失败"});
  EXPECT_TRUE(Installed());
  EXPECT_EQ(MissingInOrder(LogLastRun(), {"FAIL  unpack: " + data + " not written: ", "FAIL  unpack into ",
                                          "INFO  message box: 安装失败"}),
            "");

  ASSERT_TRUE(platform::RemoveDir(data));
  NoteJob();
  flow.CurrentJob.reset();
  form.nbMain->SetPageIndex(0);
  ShowAndOpenPage1();
  const int before = PackageGets(true);
  host.ClickOn("lblLJAZ");
  EXPECT_EQ(form.nbMain->pageIndex(), 3);
  EXPECT_EQ(PackageGets(true), before);
  EXPECT_TRUE(Installed());
}

// The flow's clicks, timers, show step and notice reach it while it lives; a
// window that outlives it keeps none of them (they would call a freed flow).
TEST(FlowBinding, TheFlowBindsItsHandlersWhileItLives) {
  ui::TfrmSpeedInstall form;
  auto bound = [&form] {
    std::string names;
    for (const auto& c : form.components())
      if (c->onClick) names += c->name() + " ";
    for (ui::Timer* t : {&form.tmr1, &form.tmr2, &form.tmr3}) names += t->onTimer ? "t" : "-";
    return names + (form.onShow ? " show" : "") + (form.onDownloadFailed ? " notice" : "");
  };
  {
    TInstallFlow flow(form);
    EXPECT_EQ(bound(), "lblAZ lblClose lblLJAZ lblFH lblLL lblClose2 lblClose31 lblClose32 lblClose33 lblXZ lblWC "
                       "lblClose4 ttt show notice");
  }
  EXPECT_EQ(bound(), "---");
  EXPECT_TRUE(form.tmrPic.onTimer);  // the window's own
}

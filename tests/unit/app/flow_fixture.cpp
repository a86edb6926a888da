#include "tests/unit/app/flow_fixture.h"

#include <cstdio>

#include "common/InstallLog.h"
#include "common/pubShare.h"
#include "download/CRC_32.h"
#include "download/Notify.h"
#include "download/PubCrc.h"
#include "platform/codepage.h"
#include "platform/fs.h"
#include "platform/testing.h"
#include "platform/system.h"
#include "tests/support/TempDir.h"

namespace pt = platform::testing;

void ResetFlowValues() {
  using namespace app;
  AppDir.clear();
  DriveRoot.clear();
  WorkDir.clear();
  WorkDirOwn = false;
  InstallDir.clear();
  ProductVersion.clear();
  PackageName.clear();
  PackageUrl.clear();
  PackageCrc.clear();
  BaseServiceAltHost = false;
  SignedReleases = false;
  ReleaseKeyDer.clear();
  PackageSha256.clear();
  FileHashes.clear();
  HttpWorkMax = 0;
  SetNotifyWindow(nullptr);
  installlog::Close();
}

const char FlowTest::kPackagePath[] = "/zelqa/DOWN_CENTER/VELTARO/VELTARO/";

namespace {
constexpr uint32_t kGiB = 1u << 30;

void WipeDrive(char letter) {
  const std::string root = std::string(1, letter) + ":";
  testsupport::RemoveTree(root + "\\");
  platform::CreateDir(root);
}
}  // namespace

FlowTest::FlowTest() {
  testsupport::TempDir anchor;  // makes the host folder that stands for the drives
  pt::ResetRegistry();
  pt::TakeMessageBoxes();
  pt::TakeShellRuns();
  pt::TakeFolderRequests();
  pt::SetFolderPickerAnswer("");
  pt::SetModulePath("C:\\Veltaro\\VeltaroSetup.exe");
  pt::SetWindowsDirectory("C:\\WINDOWS");
  pt::ClearDrives();
  pt::Drive small;
  small.free = {8, 512, 1000, 100000};
  pt::SetDrive('C', small);
  pt::Drive big;
  big.free = {8, 512, 2 * kGiB / 4096, 4 * kGiB / 4096};
  pt::SetDrive('D', big);
  WipeDrive('D');
  WipeDrive('E');
  ResetFlowValues();
  EXPECT_TRUE(server.Start());
  WriteRegString(app::kInstallerKey, "DownloadBaseUrl", server.Url("/"));
  // The service host is this same server under another name: the two base
  // URLs differ while both stay on loopback, and no test can reach the
  // compiled-in hosts.
  WriteRegString(app::kInstallerKey, "ServiceBaseUrl", "http://localhost:" + std::to_string(server.Port()) + "/");
}

FlowTest::~FlowTest() {
  NoteJob();
  // No engine thread may outlive the test's server and folders.
  for (auto& job : jobs) {
    job->Cancel();
    EXPECT_TRUE(job->WaitEngineEnded(30000)) << job->Url;
  }
  for (ui::Timer* t : form.timers()) form.SetTimerEnabled(*t, false);
  server.Stop();
  WipeDrive('D');
  WipeDrive('E');
}

void FlowTest::PublishManifestText(const std::string& text) {
  server.AddFile(std::string(kPackagePath) + "VELTARO.XML", text);
}

void FlowTest::PublishManifest(const std::string& version, const std::string& name, const std::string& crc) {
  PublishManifestText("[Setup]\r\nLargeVer=" + version + "\r\nurl=" + name + "\r\ncrc=" + crc + "\r\n");
}

std::string FlowTest::PublishPackage(const std::string& name, const std::string& bytes) {
  server.AddFile(kPackagePath + name, bytes);
  uint32_t crc = 0xFFFFFFFFu;
  Crc32Update(bytes.data(), bytes.size(), crc);
  char text[16];
  std::snprintf(text, sizeof text, "%X", ~crc);
  std::string s = text;
  return s.size() < 2 ? "0" + s : s;
}

int FlowTest::PackageGets(bool ranged) {
  int n = 0;
  for (const std::string& r : server.Requests())
    if (r.rfind(std::string("GET ") + kPackagePath + "Pkg.zip ", 0) == 0 &&
        (r.find("Range:") != std::string::npos) == ranged)
      ++n;
  return n;
}

void FlowTest::ShowAndOpenPage1() {
  host.Show();
  host.ClickOn("lblAZ");
}

void FlowTest::NoteJob() {
  if (flow.CurrentJob && (jobs.empty() || jobs.back() != flow.CurrentJob)) jobs.push_back(flow.CurrentJob);
}

std::string FlowTest::LogLastRun() {
  NoteJob();
  for (auto& job : jobs) EXPECT_TRUE(job->WaitEngineEnded(30000)) << job->Url;
  const std::string log = ReadAll("D:\\Program Files\\Veltaro\\InstVeltaro\\install.log");
  const size_t start = log.rfind(" START ");
  return start == std::string::npos ? std::string() : log.substr(log.rfind('\n', start) + 1);
}

bool FlowTest::BothSegmentsFailed(const TDownloadJob& job) {
  const std::string mark = platform::WideToAnsi(platform::Utf8ToWide("下载异常"));  // the log is ANSI text
  auto failed = [&] {
    int n = 0;
    for (const std::string& line : job.Log()) n += line.find(mark) != std::string::npos;
    return n == 2;
  };
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!failed()) {
    if (std::chrono::steady_clock::now() > end) return false;
    platform::SleepMs(2);
  }
  return true;
}

void FlowTest::Step() {
  host.ProcessMessages();
  host.Advance(100);
  NoteJob();
  platform::SleepMs(5);
}

std::vector<std::string> FlowTest::Boxes() {
  std::vector<std::string> out;
  for (const auto& b : pt::TakeMessageBoxes()) out.push_back(b.text);
  return out;
}

namespace {
void Put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}
}  // namespace

std::string MakePackage(Members members) {
  members.push_back({"ThirdSoftware\\BaseService.exe", "base service"});
  members.push_back({"App\\SWUKeyDrive.exe", "usb key"});
  members.push_back({"App\\VeltaroCSP.exe", "tax disk"});
  members.push_back({"App\\SKPDrive.exe", "skp"});
  return MakeZip(members);
}

std::string MakeZip(const Members& members) {
  std::string out, central;
  for (const auto& m : members) {
    uint32_t crc = 0xFFFFFFFFu;
    Crc32Update(m.second.data(), m.second.size(), crc);
    crc = ~crc;
    const uint32_t offset = static_cast<uint32_t>(out.size());
    auto common = [&](std::string& s) {
      Put16(s, 20);  // version needed
      Put16(s, 0);   // flags
      Put16(s, 0);   // stored
      Put16(s, 0);   // time
      Put16(s, 0x21);  // date: 1980-01-01
      Put32(s, crc);
      Put32(s, static_cast<uint32_t>(m.second.size()));
      Put32(s, static_cast<uint32_t>(m.second.size()));
      Put16(s, static_cast<uint32_t>(m.first.size()));
      Put16(s, 0);  // extra
    };
    Put32(out, 0x04034b50);
    common(out);
    out += m.first + m.second;
    Put32(central, 0x02014b50);
    Put16(central, 20);  // made by
    common(central);
    Put16(central, 0);  // comment
    Put16(central, 0);  // disk
    Put16(central, 0);  // internal attributes
    Put32(central, 0);  // external attributes
    Put32(central, offset);
    central += m.first;
  }
  const uint32_t cdOffset = static_cast<uint32_t>(out.size());
  out += central;
  Put32(out, 0x06054b50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<uint32_t>(members.size()));
  Put16(out, static_cast<uint32_t>(members.size()));
  Put32(out, static_cast<uint32_t>(central.size()));
  Put32(out, cdOffset);
  Put16(out, 0);
  return out;
}

std::string Noise(size_t n) {
  std::string s(n, '\0');
  uint32_t x = 2463534242u;
  for (char& c : s) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x);
  }
  return s;
}

bool Exists(const std::string& windowsPath) { return platform::FileExists(windowsPath); }

std::string MissingInOrder(const std::string& text, const std::vector<std::string>& parts) {
  size_t at = 0;
  for (const std::string& p : parts) {
    at = text.find(p, at);
    if (at == std::string::npos) return p;
    at += p.size();
  }
  return std::string();
}

std::string ReadAll(const std::string& windowsPath) {
  std::string s;
  testsupport::ReadFileBytes(windowsPath, &s);
  return s;
}

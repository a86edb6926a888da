// An installer holding a key installs only what the key's owner signed; without
// a key the same tampered releases install as they always did.
#include <string>

#include "app/ReleaseCheck.h"
#include "app/ServerConfig.h"
#include "common/KpLib.h"
#include "common/pubShare.h"
#include "download/CRC_32.h"
#include "platform/crypto.h"
#include "platform/testing.h"
#include "platform/thread.h"
#include "tests/support/TempDir.h"
#include "tests/unit/app/flow_fixture.h"
#include "tools/kit/release_signer.h"

using namespace app;

namespace {
const char kDir[] = "D:\\Program Files\\Veltaro\\VeltaroPlatform";
const char kCopy[] = "D:\\Program Files\\Veltaro\\InstVeltaro\\Downloads\\KESMO365.INI";
const char kPackageFile[] = "D:\\Program Files\\Veltaro\\InstVeltaro\\Downloads\\Pkg.zip";
const char kBasePath[] = "/rjxz/KESMO365/YCSFW/DiruvOzoBaseService.exe";
const char kDriverPath[] = "/zelqa/DOWN_CENTER/SBQD/";
const char* const kServerNames[] = {"DiruvOzoBaseService.exe", "SWUKeyDrive.exe", "VeltaroCSP.exe", "SKPDrive.exe"};
const char* const kTargets[] = {"\\ThirdSoftware\\BaseService.exe", "\\App\\SWUKeyDrive.exe", "\\App\\VeltaroCSP.exe",
                                "\\App\\SKPDrive.exe"};

struct KeyPair {
  std::string privatePem, publicPem;
};
// Made once per run: 2048 bits keep the tests quick; the kit makes 3072.
const KeyPair& Key(int which) {
  static KeyPair keys[2];
  KeyPair& k = keys[which];
  std::string error;
  if (k.privatePem.empty()) {
    EXPECT_TRUE(GenerateRsaKeyPair(2048, &k.privatePem, &k.publicPem, &error)) << error;
  }
  return k;
}

std::string Sha(const std::string& bytes) {
  platform::Sha256 h;
  h.Update(bytes.data(), bytes.size());
  return platform::HexText(h.Final());
}

uint32_t Crc(const std::string& bytes) {
  uint32_t c = 0xFFFFFFFFu;
  Crc32Update(bytes.data(), bytes.size(), c);
  return ~c;
}

// A different, valid archive whose CRC-32 is `target`: four bytes of its
// comment are chosen by running the CRC register back from the target.
std::string ForgeCrc(std::string zip, uint32_t target) {
  zip[zip.size() - 2] = 4;  // the end record's comment length
  uint32_t reg = ~target;
  for (int k = 0; k < 4; ++k) {
    uint32_t i = 0;
    while ((kCrc32Table[i] >> 24) != (reg >> 24)) ++i;
    reg = ((reg ^ kCrc32Table[i]) << 8) | i;
  }
  uint32_t pre = 0xFFFFFFFFu;
  Crc32Update(zip.data(), zip.size(), pre);
  reg ^= pre;
  for (int k = 0; k < 4; ++k) zip += static_cast<char>((reg >> (8 * k)) & 0xFF);
  return zip;
}

struct Release {
  bool withSha = true;
  int signer = 0;            // -1: no signature served
  bool changeManifest = false;  // one byte changed after signing
  bool forgedPackage = false;   // another package of the same CRC-32 served
  int swappedComponent = -1;    // served with other bytes than the hashed ones
  std::string stamp = "";       // more lines of [Setup] (Serial, ValidUntil)
};

class Signed : public FlowTest {
 protected:
  std::string pkg = MakeZip({{"VeltaroMain.exe", "main"}, {"data.bin", Noise(50000)}});
  std::string forged = ForgeCrc(MakeZip({{"VeltaroMain.exe", "evil"}}), Crc(pkg));

  void Keyed() {
    SignedReleases = true;
    ReleaseKeyDer = platform::PublicKeyPemToDer(Key(0).publicPem);
  }

  void Publish(const Release& r) {
    std::string m = "[Setup]\r\nLargeVer=V3\r\nurl=Pkg.zip\r\ncrc=" + PublishPackage("Pkg.zip", pkg) + "\r\n";
    if (r.withSha) m += "sha256=" + Sha(pkg) + "\r\n";
    m += r.stamp + "[Files]\r\n";
    for (int i = 0; i < 4; ++i) {
      const std::string bytes = std::string("component ") + kServerNames[i];
      m += std::string(kServerNames[i]) + "=" + Sha(bytes) + "\r\n";
      const std::string path = i == 0 ? std::string(kBasePath) : std::string(kDriverPath) + kServerNames[i];
      server.AddFile(path, i == r.swappedComponent ? "another file" : bytes);
    }
    // The server cannot take a file back: rows without a signature come first.
    std::string sig, pub, error;
    if (r.signer >= 0) {
      ASSERT_TRUE(SignRsaSha256(Key(r.signer).privatePem, m, &sig, &pub, &error)) << error;
      server.AddFile(std::string(kPackagePath) + "VELTARO.XML.sig", sig);
    }
    if (r.changeManifest) m[m.find("V3") + 1] = '4';
    PublishManifestText(m);
    served = m;
    if (r.forgedPackage) {
      ASSERT_EQ(Crc(forged), Crc(pkg));
      server.AddFile(std::string(kPackagePath) + "Pkg.zip", forged);
    }
  }

  // Shows the window, clicks "立即安装" and runs until the flow rests.
  void Install() {
    ShowAndOpenPage1();
    host.ClickOn("lblLJAZ");
    RunUntil([&] {
      for (const std::string& b : Boxes()) Boxes_.push_back(b);
      return OnPage(3) || !Boxes_.empty();
    });
  }
  std::string Main() { return ReadAll(std::string(kDir) + "\\VeltaroMain.exe"); }
  int Gets(const std::string& name) {
    int n = 0;
    for (const std::string& q : server.Requests()) n += q.rfind("GET " + std::string(kPackagePath) + name + " ", 0) == 0;
    return n;
  }
  std::vector<std::string> Boxes_;
  std::string served;  // the manifest's bytes as served
};
}  // namespace

TEST_F(Signed, AManifestWithoutAValidSignatureIsAFailedFetch) {
  const struct {
    const char* name;
    Release release;
  } rows[] = {
      {"no signature", {true, -1}},
      {"changed by one byte", {true, 0, true}},
      {"signed with another key", {true, 1}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    Keyed();
    Publish(r.release);
    ShowAndOpenPage1();
    EXPECT_EQ(form.lblVersion->text, "");
    EXPECT_FALSE(Exists(kCopy));
    EXPECT_FALSE(Exists(std::string(kCopy) + ".sig"));
    host.ClickOn("lblLJAZ");
    EXPECT_EQ(Boxes(), std::vector<std::string>{"下载版本文件失败"});
    EXPECT_EQ(flow.CurrentJob, nullptr);
    EXPECT_TRUE(OnPage(1));
    ResetFlowValues();
  }
}

TEST_F(Signed, APackageIsInstalledOnlyWithTheManifestsHash) {
  const struct {
    const char* name;
    bool keyed;
    Release release;
    bool installs;
  } rows[] = {
      {"unkeyed: no signature at all", false, {true, -1}, true},
      {"signed release", true, {}, true},
      {"package forged to the manifest's CRC", true, {true, 0, false, true}, false},
      {"manifest without sha256", true, {false}, false},
      {"unkeyed: the forged package as before", false, {true, 0, false, true}, true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    if (r.keyed) Keyed();
    Publish(r.release);
    Install();
    if (r.installs) {
      EXPECT_TRUE(OnPage(3));
      EXPECT_EQ(Main(), r.release.forgedPackage ? "evil" : "main");
      EXPECT_TRUE(Boxes_.empty());
    } else {
      // Refused after the job and again after the fallback; nothing unpacked.
      EXPECT_EQ(Boxes_, std::vector<std::string>{"下载失败"});
      EXPECT_TRUE(flow.SyncFallback);
      EXPECT_FALSE(Exists(kPackageFile));
      EXPECT_FALSE(Exists(std::string(kDir) + "\\VeltaroMain.exe"));
    }
    testsupport::RemoveTree(std::string(kDir) + "\\");
    testsupport::RemoveTree("D:\\Program Files\\Veltaro\\InstVeltaro\\");
    ResetFlowValues();
    form.nbMain->SetPageIndex(0);
    flow.SyncFallback = false;
    Boxes_.clear();
  }
}

TEST_F(Signed, APackageFoundOnDiskCountsOnlyWithTheHash) {
  Keyed();
  Publish({});
  ForceDirs(FolderPart(kPackageFile));
  ASSERT_TRUE(testsupport::WriteFileBytes(kPackageFile, forged));
  Install();
  ASSERT_TRUE(OnPage(3));
  EXPECT_EQ(Main(), "main");
  EXPECT_EQ(PackageGets(false), 0);  // deleted and downloaded by the job, not reused
  EXPECT_GT(PackageGets(true), 0);
}

TEST_F(Signed, AComponentWithAnotherHashIsNotLeftInPlace) {
  for (int swapped = -1; swapped < 4; ++swapped) {
    SCOPED_TRACE(swapped);
    Keyed();
    Release r;
    r.swappedComponent = swapped;
    Publish(r);
    Install();
    ASSERT_TRUE(OnPage(3));
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(Exists(kDir + std::string(kTargets[i])), i != swapped) << kTargets[i];
      EXPECT_FALSE(Exists(ComponentFetchName(kDir + std::string(kTargets[i])))) << "a rejected fetch is not left";
    }
    testsupport::RemoveTree(std::string(kDir) + "\\");
    ResetFlowValues();
    form.nbMain->SetPageIndex(0);
  }
}

TEST_F(Signed, AnOlderOrExpiredManifestCountsAsUnsigned) {
  const int64_t now = 1796724001;  // 2026-12-08 10:00:01 UTC
  platform::testing::SetUnixTime(&now);
  const struct {
    const char* name;
    bool keyed;
    const char* storedBefore;  // ReleaseSerial before the run ("" for none)
    const char* stamp;
    bool accepted;
    const char* storedAfter;
  } rows[] = {
      {"first serial", true, "", "Serial=7\r\n", true, "7"},
      {"the same serial again", true, "7", "Serial=7\r\n", true, "7"},
      {"a higher serial", true, "7", "Serial=1796724001\r\n", true, "1796724001"},
      {"an older serial", true, "8", "Serial=7\r\n", false, "8"},
      {"no serial once one was taken", true, "8", "", false, "8"},
      {"a serial that is no number", true, "", "Serial=7a\r\n", false, ""},
      {"valid to this second", true, "", "Serial=9\r\nValidUntil=2026-12-08 10:00:01\r\n", true, "9"},
      {"expired a second ago", true, "", "Serial=9\r\nValidUntil=2026-12-08 10:00:00\r\n", false, ""},
      {"a ValidUntil that is no time", true, "", "Serial=9\r\nValidUntil=2026-02-30 00:00:00\r\n", false, ""},
      {"unkeyed: older and expired", false, "8", "Serial=7\r\nValidUntil=2020-01-01 00:00:00\r\n", true, "8"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    WriteRegString(kInstallerKey, "ReleaseSerial", r.storedBefore);
    if (r.keyed) Keyed();
    Release release;
    release.stamp = r.stamp;
    Publish(release);
    ShowAndOpenPage1();
    EXPECT_EQ(form.lblVersion->text, r.accepted ? "V3" : "");
    EXPECT_EQ(Exists(kCopy), r.accepted);
    EXPECT_EQ(ReadRegString(kInstallerKey, "ReleaseSerial"), r.storedAfter);
    ResetFlowValues();
    form.nbMain->SetPageIndex(0);
  }
  platform::testing::SetUnixTime(nullptr);
}

TEST_F(Signed, AManifestAndSignatureThatDisagreeAreFetchedOnceMore) {
  for (bool republished : {true, false}) {
    SCOPED_TRACE(republished ? "the publish ends between the tries" : "they never agree");
    const int before = Gets("VELTARO.XML");
    Keyed();
    Publish({true, 0, true});  // the new manifest beside the old signature
    // The matching signature arrives once the first one was fetched.
    platform::Thread publisher([&] {
      for (int i = 0; i < 500 && Gets("VELTARO.XML.sig") == 0; ++i) platform::SleepMs(10);
      std::string sig, pub, error;
      if (republished && SignRsaSha256(Key(0).privatePem, served, &sig, &pub, &error))
        server.AddFile(std::string(kPackagePath) + "VELTARO.XML.sig", sig);
    });
    ShowAndOpenPage1();
    publisher.Join();
    EXPECT_EQ(form.lblVersion->text, republished ? "V4" : "");
    EXPECT_EQ(Gets("VELTARO.XML") - before, 2);
    ResetFlowValues();
    form.nbMain->SetPageIndex(0);
  }
}

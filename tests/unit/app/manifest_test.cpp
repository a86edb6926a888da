// The version manifest and where the servers are.
#include <string>

#include "common/pubShare.h"
#include "platform/testing.h"
#include "tests/unit/app/flow_fixture.h"
#include "unpack/SafeNames.h"

using namespace app;

namespace {
const char kCopy[] = "D:\\Program Files\\Veltaro\\InstVeltaro\\Downloads\\KESMO365.INI";

class Manifest : public FlowTest {
 protected:
  Manifest() { flow.StartupSteps(); }
  std::string Base() { return server.Url("/"); }
};
}  // namespace

TEST_F(Manifest, ValuesAsTheProfileReaderGivesThem) {
  struct {
    const char* text;
    const char *version, *name, *crc;
  } cases[] = {
      {"[Setup]\nLargeVer=V2.1.0\nurl=Pkg.zip\ncrc=352441C2\n", "V2.1.0", "Pkg.zip", "352441C2"},
      {"[setup]\r\nlargever=V2.1.0\r\nURL=Pkg.zip\r\nCRC=352441C2\r\n", "V2.1.0", "Pkg.zip", "352441C2"},
      {"[Setup]\nurl= Pkg.zip \nLargeVer=\"V3\"\n", "V3", "Pkg.zip", ""},  // blanks, quotes, no crc
      {"[Other]\nurl=x.zip\n[Setup]\nLargeVer=1\n", "1", "", ""},
      {"<html>not found</html>", "", "", ""},  // an error page sent as success
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.text);
    PublishManifestText(c.text);
    EXPECT_TRUE(flow.GetNewVer());
    EXPECT_EQ(ProductVersion, c.version);
    EXPECT_EQ(PackageName, c.name);
    EXPECT_EQ(PackageUrl, Base() + "zelqa/DOWN_CENTER/VELTARO/VELTARO/" + c.name);
    EXPECT_EQ(PackageCrc, c.crc);
    EXPECT_EQ(ReadAll(kCopy), c.text);  // the copy stays after it was read
  }
}

TEST_F(Manifest, AFailedFetchKeepsTheValuesAndLosesTheCopy) {
  PublishManifest("V1", "One.zip", "AB");
  ASSERT_TRUE(flow.GetNewVer());
  kit::ServerFaults f;
  f.status = 404;
  server.SetFaults(f);
  EXPECT_FALSE(flow.GetNewVer());
  EXPECT_FALSE(Exists(kCopy));
  EXPECT_EQ(ProductVersion + PackageName + PackageCrc, "V1One.zipAB");
  // A second successful fetch replaces all four.
  server.SetFaults(kit::ServerFaults());
  PublishManifest("V2", "Two.zip", "CD");
  ASSERT_TRUE(flow.GetNewVer());
  EXPECT_EQ(ProductVersion + PackageName + PackageCrc, "V2Two.zipCD");
  EXPECT_EQ(PackageUrl, Base() + "zelqa/DOWN_CENTER/VELTARO/VELTARO/Two.zip");
}

TEST_F(Manifest, APackageNameThatIsNoBareFileNameIsRefused) {
  const char* refused[] = {"..\\..\\evil.zip", "a/b.zip", "C:x.zip", "\\\\host\\share\\p.zip", "a\"b.zip",
                           "tab\there.zip", ".", "..", ""};
  for (const char* name : refused) {
    SCOPED_TRACE(name);
    PackageName = "stale.zip";
    PublishManifest("V5", name, "1234");
    EXPECT_TRUE(flow.GetNewVer());
    EXPECT_EQ(PackageName, "");
    EXPECT_EQ(ProductVersion, "V5");
    EXPECT_EQ(PackageCrc, "1234");
  }
  for (const char* name : {"Pkg.zip", "Veltaro 365 V2.zip", "..zip", "a..b"})
    EXPECT_TRUE(IsBarePackageName(name, PackageNameRule::kInstallerTakes)) << name;
  // At the click a refused name reads as a failed manifest fetch.
  host.Show();
  host.ClickOn("lblAZ");
  host.ClickOn("lblLJAZ");
  EXPECT_EQ(Boxes(), std::vector<std::string>{"下载版本文件失败"});
  EXPECT_EQ(flow.CurrentJob, nullptr);
  EXPECT_EQ(form.nbMain->pageIndex(), 1);
}

TEST(ServerConfig, OverridesOfTheExactBaseUrlFormOnly) {
  platform::testing::ResetRegistry();
  EXPECT_EQ(DownloadBaseUrl(), "http://" VELTARO_DOWNLOAD_HOST "/");
  EXPECT_EQ(ServiceBaseUrl(), "http://" VELTARO_WEB_HOST ":8080/");
  EXPECT_EQ(WebSiteUrl(), "http://" VELTARO_WEB_HOST "/");
  struct {
    const char* value;
    bool taken;
  } cases[] = {
      {"http://127.0.0.1:8000/", true},   {"http://mirror.example/", true},    {"http://a-b.c:65535/", true},
      {"http://127.0.0.1:8000", false},   {"https://mirror.example/", false},  {"http://mirror.example/x/", false},
      {"http://:80/", false},             {"http://h:0/", false},              {"http://h:65536/", false},
      {"http://h:/", false},              {"http://user@h/", false},           {" http://h/", false},
      {"HTTP://h/", false},               {"http://h:80a/", false},            {"", false},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(IsBaseUrl(c.value), c.taken);
    WriteRegString(kInstallerKey, "DownloadBaseUrl", c.value);
    WriteRegString(kInstallerKey, "ServiceBaseUrl", c.value);
    EXPECT_EQ(DownloadBaseUrl(), c.taken ? c.value : "http://" VELTARO_DOWNLOAD_HOST "/");
    EXPECT_EQ(ServiceBaseUrl(), c.taken ? c.value : "http://" VELTARO_WEB_HOST ":8080/");
    EXPECT_EQ(WebSiteUrl(), "http://" VELTARO_WEB_HOST "/");  // never overridden
  }
  platform::testing::ResetRegistry();
}

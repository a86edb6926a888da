// The version manifest: which package to install, its checksum and version.
#include "app/FlowValues.h"
#include "app/InstallFlow.h"
#include "app/ServerConfig.h"
#include "common/pubShare.h"
#include "download/FetchToFile.h"

namespace app {

namespace {
const char kManifestPath[] = "zelqa/DOWN_CENTER/VELTARO/VELTARO/VELTARO.XML";
const char kPackageFolder[] = "zelqa/DOWN_CENTER/VELTARO/VELTARO/";
}  // namespace

// Byte-wise on purpose: a GBK trail byte 0x5C is a backslash to a server.
bool IsBarePackageName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char ch : name) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F || c == '\\' || c == '/' || c == ':' || c == '"') return false;
  }
  return true;
}

bool TInstallFlow::GetNewVer() {
  const std::string m = WorkDir + "Downloads\\KESMO365.INI";
  if (!FetchToFile(DownloadBaseUrl() + kManifestPath, m, false)) return false;
  ProductVersion = ReadIniValue("Setup", "LargeVer", m);
  // The name becomes a file below the download folder and part of a URL: a
  // name that could leave either is taken as no name at all.
  const std::string name = ReadIniValue("Setup", "url", m);
  PackageName = IsBarePackageName(name) ? name : std::string();
  PackageUrl = DownloadBaseUrl() + kPackageFolder + PackageName;
  PackageCrc = ReadIniValue("Setup", "crc", m);
  return true;
}

}  // namespace app

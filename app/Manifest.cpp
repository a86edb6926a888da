// The version manifest: which package to install, its checksum and version.
#include "app/FlowLog.h"
#include "app/FlowValues.h"
#include "app/InstallFlow.h"
#include "app/ReleaseCheck.h"
#include "app/ServerConfig.h"
#include "common/IniFile.h"

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
  // A work folder reached through a link is no place to write.
  if (!WorkDirOwn) return false;
  const std::string m = WorkDir + "Downloads\\KESMO365.INI";
  const std::string url = DownloadBaseUrl() + kManifestPath;
  // Values come from the bytes the signature was checked over.
  std::string text;
  LogManifestRequest(url);
  if (!FetchVerifiedManifest(url, m, &text)) return LogManifestMissing();
  ProductVersion = IniLookup(text, "Setup", "LargeVer");
  // The name becomes a file below the download folder and part of a URL: a
  // name that could leave either is taken as no name at all.
  const std::string name = IniLookup(text, "Setup", "url");
  PackageName = IsBarePackageName(name) ? name : std::string();
  PackageUrl = DownloadBaseUrl() + kPackageFolder + PackageName;
  PackageCrc = IniLookup(text, "Setup", "crc");
  LogManifestValues(ProductVersion, name, !PackageName.empty(), PackageCrc);
  PackageSha256.clear();
  FileHashes.clear();
  if (SignedReleases) {
    PackageSha256 = IniLookup(text, "Setup", "sha256");
    for (const char* file : {"DiruvOzoBaseService.exe", "SWUKeyDrive.exe", "VeltaroCSP.exe", "SKPDrive.exe"})
      FileHashes[file] = IniLookup(text, "Files", file);
  }
  return true;
}

}  // namespace app

// The version manifest: which package to install, its checksum and version.
#include "app/FlowLog.h"
#include "app/FlowValues.h"
#include "app/InstallFlow.h"
#include "app/ReleaseCheck.h"
#include "app/ServerConfig.h"
#include "common/IniFile.h"
#include "common/ReleaseLayout.h"
#include "unpack/SafeNames.h"

namespace app {

bool TInstallFlow::GetNewVer() {
  // A work folder reached through a link is no place to write.
  if (!WorkDirOwn) return false;
  const std::string m = WorkDir + "Downloads\\KESMO365.INI";
  const std::string url = DownloadBaseUrl() + release::kManifestPath;
  // Values come from the bytes the signature was checked over.
  std::string text;
  LogManifestRequest(url);
  if (!FetchVerifiedManifest(url, m, &text)) return LogManifestMissing();
  ProductVersion = IniLookup(text, "Setup", "LargeVer");
  // The name becomes a file below the download folder and part of a URL: a
  // name that could leave either is taken as no name at all.
  const std::string name = IniLookup(text, "Setup", "url");
  PackageName = IsBarePackageName(name, PackageNameRule::kInstallerTakes) ? name : std::string();
  PackageUrl = DownloadBaseUrl() + release::kPackageFolder + PackageName;
  PackageCrc = IniLookup(text, "Setup", "crc");
  LogManifestValues(ProductVersion, name, !PackageName.empty(), PackageCrc);
  PackageSha256.clear();
  FileHashes.clear();
  if (SignedReleases) {
    PackageSha256 = IniLookup(text, "Setup", "sha256");
    for (const release::Component& c : release::kComponents)
      FileHashes[release::ServerFileName(c)] = IniLookup(text, "Files", release::ServerFileName(c));
  }
  return true;
}

}  // namespace app

#include "app/FlowValues.h"

#include "common/InstallLog.h"
#include "download/Notify.h"

namespace app {

std::string DriveRoot;
std::string WorkDir;
bool WorkDirOwn = false;
std::string InstallDir;
std::string PackageName;
std::string PackageUrl;
std::string PackageCrc;
bool BaseServiceAltHost = false;
bool SignedReleases = false;
std::string ReleaseKeyDer;
std::string PackageSha256;
std::map<std::string, std::string> FileHashes;

void ResetFlowValues() {
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

}  // namespace app

#include "app/FlowValues.h"

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

}  // namespace app

// The install flow's program-wide values, one per process, empty or false at
// start. AppDir, ProductVersion and HttpWorkMax are read by the window itself,
// which lies below the flow, so they are stored there and named here; the
// engine's NotifyWindow is download/Notify.h's (SetNotifyWindow).
#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "ui/FSpeedInstall.h"

namespace app {

using ui::AppDir;          // folder of the running executable, with a trailing backslash
using ui::HttpWorkMax;     // expected byte count of the synchronous transfer, 0 when none
using ui::ProductVersion;  // "LargeVer" of the manifest

extern std::string DriveRoot;    // root of the chosen drive, such as "D:\"
extern std::string WorkDir;      // DriveRoot + "Program Files\Veltaro\InstVeltaro\"
extern bool WorkDirOwn;          // the work folder is the installer's own (common/OwnFolders.h)
extern std::string InstallDir;   // settled by the last "立即安装"; no trailing backslash unless typed
extern std::string PackageName;  // the manifest's "url": a bare file name, or empty
extern std::string PackageUrl;
extern std::string PackageCrc;
extern bool BaseServiceAltHost;  // the base service is fetched from the service host

// Signed releases. With SignedReleases on, the manifest counts only with a valid
// signature by ReleaseKeyDer (a DER public key; an empty or broken key accepts
// nothing), and the package and each component only with the manifest's hash.
extern bool SignedReleases;
extern std::string ReleaseKeyDer;
extern std::string PackageSha256;                     // [Setup] sha256 of a verified manifest
extern std::map<std::string, std::string> FileHashes;  // [Files], by server file name

}  // namespace app

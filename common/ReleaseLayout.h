// The release as the installer finds it and the kit lays it out: server paths
// (below a base URL, with "/"), components and registered files (below the
// installation folder, with "\").
#pragma once
#include <string>

namespace release {

constexpr char kPackageFolder[] = "zelqa/DOWN_CENTER/VELTARO/VELTARO/";
constexpr char kManifestPath[] = "zelqa/DOWN_CENTER/VELTARO/VELTARO/VELTARO.XML";
// The manifest's signature lies beside it under this name.
constexpr char kSignaturePath[] = "zelqa/DOWN_CENTER/VELTARO/VELTARO/VELTARO.XML.sig";

struct Component {
  const char* file;        // its name in a maker's components folder
  const char* serverPath;  // below the download server's base URL
  bool alsoOnServiceHost;  // asked again from the service host when the first try fails
  const char* installed;   // below the installation folder; not fetched when the package holds it
};
// The base service comes first: without it the installer never finishes. The
// drivers follow in the order the installer fetches them.
constexpr Component kComponents[] = {
    {"BaseService.exe", "rjxz/KESMO365/YCSFW/DiruvOzoBaseService.exe", true, "ThirdSoftware\\BaseService.exe"},
    {"SWUKeyDrive.exe", "zelqa/DOWN_CENTER/SBQD/SWUKeyDrive.exe", false, "App\\SWUKeyDrive.exe"},
    {"VeltaroCSP.exe", "zelqa/DOWN_CENTER/SBQD/VeltaroCSP.exe", false, "App\\VeltaroCSP.exe"},
    {"SKPDrive.exe", "zelqa/DOWN_CENTER/SBQD/SKPDrive.exe", false, "App\\SKPDrive.exe"},
};

// Files that the registration after the install points at.
constexpr char kLauncher[] = "VeltaroLauncher.exe", kUninstaller[] = "Uninstall\\uninst.exe";
constexpr char kUrlHandler[] = "VAVodevado.exe", kUrlIcon[] = "365.ico";  // the vlttesmar: URL protocol's
// The main program also marks a folder as an earlier install.
constexpr char kMainProgram[] = "VeltaroMain.exe";
constexpr const char* kRegisteredFiles[] = {kLauncher, kMainProgram, kUrlHandler, kUninstaller, kUrlIcon};

// The name a component has on the server: the last part of its path, and its
// key in the manifest's section Files.
inline std::string ServerFileName(const Component& c) {
  const std::string path = c.serverPath;
  return path.substr(path.rfind('/') + 1);
}

}  // namespace release

// Where the installer looks on its servers, and the manifest it reads there.
// Paths are relative to a server's base URL ("http://host/"), with "/".
#pragma once
#include <string>

namespace release {

constexpr char kPackageFolder[] = "zelqa/DOWN_CENTER/VELTARO/VELTARO/";
constexpr char kManifestPath[] = "zelqa/DOWN_CENTER/VELTARO/VELTARO/VELTARO.XML";

struct Component {
  const char* file;        // its name in a maker's components folder
  const char* serverPath;  // below the download server's base URL
  bool alsoOnServiceHost;  // asked again from the service host when the first try fails
};
constexpr Component kComponents[] = {
    {"BaseService.exe", "rjxz/KESMO365/YCSFW/DiruvOzoBaseService.exe", true},
    {"SWUKeyDrive.exe", "zelqa/DOWN_CENTER/SBQD/SWUKeyDrive.exe", false},
    {"VeltaroCSP.exe", "zelqa/DOWN_CENTER/SBQD/VeltaroCSP.exe", false},
    {"SKPDrive.exe", "zelqa/DOWN_CENTER/SBQD/SKPDrive.exe", false},
};

// Files that the registration after the install points at, below the
// installation folder.
constexpr const char* kRegisteredFiles[] = {"VeltaroLauncher.exe", "VeltaroMain.exe", "VAVodevado.exe",
                                            "Uninstall\\uninst.exe", "365.ico"};

// The manifest's bytes: section Setup with LargeVer, url and crc, CRLF lines.
// The texts are taken as they are (the version already in GBK).
std::string ManifestText(const std::string& version, const std::string& packageName, const std::string& crcText);

// A server path in a Windows path's form ("a/b" -> "a\b").
std::string LocalPath(const std::string& serverPath);

}  // namespace release

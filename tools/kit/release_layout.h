// Where the installer looks on its servers, and the manifest it reads there.
// Paths are relative to a server's base URL ("http://host/"), with "/".
#pragma once
#include <string>
#include <utility>
#include <vector>

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
// The base service comes first: without it the installer never finishes.
constexpr Component kComponents[] = {
    {"BaseService.exe", "rjxz/KESMO365/YCSFW/DiruvOzoBaseService.exe", true, "ThirdSoftware\\BaseService.exe"},
    {"SWUKeyDrive.exe", "zelqa/DOWN_CENTER/SBQD/SWUKeyDrive.exe", false, "App\\SWUKeyDrive.exe"},
    {"VeltaroCSP.exe", "zelqa/DOWN_CENTER/SBQD/VeltaroCSP.exe", false, "App\\VeltaroCSP.exe"},
    {"SKPDrive.exe", "zelqa/DOWN_CENTER/SBQD/SKPDrive.exe", false, "App\\SKPDrive.exe"},
};

// Files that the registration after the install points at, below the
// installation folder.
constexpr const char* kRegisteredFiles[] = {"VeltaroLauncher.exe", "VeltaroMain.exe", "VAVodevado.exe",
                                            "Uninstall\\uninst.exe", "365.ico"};

// The name a component has on the server: the last part of its path, and its
// key in the manifest's section Files.
std::string ServerFileName(const Component& c);

// What a signed manifest adds: in section Setup the package's SHA-256, the
// release's Serial and (when not empty) its ValidUntil; section Files with
// each component's SHA-256 by its server file name.
struct ManifestHashes {
  std::string packageSha256;
  std::string serial, validUntil;
  std::vector<std::pair<std::string, std::string>> files;
};

// The manifest's bytes: section Setup with LargeVer, url and crc (and what
// `hashes` adds when given), CRLF lines. The texts are taken
// as they are (the version already in GBK).
std::string ManifestText(const std::string& version, const std::string& packageName, const std::string& crcText,
                         const ManifestHashes* hashes = nullptr);

// A server path in a Windows path's form ("a/b" -> "a\b").
std::string LocalPath(const std::string& serverPath);

}  // namespace release

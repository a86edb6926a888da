// veltaro-kit publish: lays out a release as the installer will ask for it, on
// any static web server.
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/IniFile.h"
#include "common/KpLib.h"
#include "download/CRC_32.h"
#include "download/PubCrc.h"
#include "platform/codepage.h"
#include "platform/errortext.h"
#include "platform/fs.h"
#include "tools/kit/commands.h"
#include "tools/kit/file_copy.h"
#include "tools/kit/package_check.h"
#include "tools/kit/release_layout.h"
#include "tools/kit/terminal_text.h"
#include "unpack/SafeNames.h"

namespace {
const char kUsage[] = "usage: veltaro-kit publish PACKAGE --version TEXT --out DIR [--components DIR]\n";

struct PublishArgs {
  std::string package, version, out, components;
};

bool ParseArgs(int argc, char** argv, PublishArgs* a) {
  for (int i = 0; i < argc; ++i) {
    std::string* value = nullptr;
    if (std::strcmp(argv[i], "--version") == 0) value = &a->version;
    else if (std::strcmp(argv[i], "--out") == 0) value = &a->out;
    else if (std::strcmp(argv[i], "--components") == 0) value = &a->components;
    if (value) {
      if (i + 1 >= argc) return false;
      *value = argv[++i];
    } else if (argv[i][0] == '-' || !a->package.empty()) {
      return false;
    } else {
      a->package = argv[i];
    }
  }
  return !a->package.empty() && !a->out.empty();
}

// The package's name goes into a URL and into a Windows path unescaped.
bool IsBareName(const std::string& name) {
  if (!IsPlainFileName(name)) return false;
  for (char c : name) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || std::strchr("._-+~()!@", c);
    if (!ok) return false;
  }
  return true;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int Fail(const std::string& what, bool writing = false) {
  std::fprintf(stderr, "veltaro-kit publish: %s\n", what.c_str());
  std::fprintf(stderr, "veltaro-kit publish: %s\n", writing ? "the manifest was not written" : "nothing written");
  return 1;
}

// The manifest's values, read back as the installer reads them, must be the
// values written: a version text with blanks or quotes at its ends would change.
std::string RoundTripProblem(const std::string& manifest, const std::string& version, const std::string& name,
                             const std::string& crc) {
  const char* keys[] = {"LargeVer", "url", "crc"};
  const std::string* values[] = {&version, &name, &crc};
  for (int i = 0; i < 3; ++i) {
    std::string back = IniLookup(manifest, "Setup", keys[i]);
    if (back != *values[i]) {
      return std::string("the installer would read ") + keys[i] + " as '" + TerminalText(back) + "'";
    }
  }
  return std::string();
}
}  // namespace

int CmdPublish(int argc, char** argv) {
  PublishArgs a;
  if (!ParseArgs(argc, argv, &a) || a.version.empty()) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }
  const std::string package = KitPath(a.package.c_str());
  const std::string name = BaseName(a.package);
  if (!IsBareName(name)) {
    return Fail("the package name '" + name +
                "' is not a bare file name the installer can ask for: use letters, digits and . _ - + ~ ( ) ! @");
  }
  std::string version;
  if (!platform::WideToGbk(ArgumentText(a.version.c_str()), &version)) {
    return Fail("the version text has characters that GBK, the target systems' code page, cannot hold");
  }

  PackageReport report = CheckPackage(package);
  for (const std::string& w : report.warnings) std::fprintf(stderr, "warning: %s\n", w.c_str());
  if (!report.errors.empty()) {
    for (size_t i = 0; i + 1 < report.errors.size(); ++i) {
      std::fprintf(stderr, "veltaro-kit publish: %s: %s\n", a.package.c_str(), report.errors[i].c_str());
    }
    return Fail(a.package + ": " + report.errors.back());
  }
  FileCrcResult crc = FileCrc32(package);
  if (crc.ioResult != 0) return Fail("cannot read " + a.package + ": " + platform::ErrorText(crc.ioResult));
  const std::string crcText = FileCrcText(package);
  const std::string manifest = release::ManifestText(version, name, crcText);
  std::string problem = RoundTripProblem(manifest, version, name, crcText);
  if (!problem.empty()) return Fail("the version text cannot stand in the manifest as it is: " + problem);

  // Every source is checked before anything is written.
  std::vector<std::pair<std::string, std::string>> components;  // source, server path
  if (!a.components.empty()) {
    const std::string dir = StripTrailingBackslash(KitPath(a.components.c_str())) + "\\";
    for (const release::Component& c : release::kComponents) {
      if (!platform::FileExists(dir + c.file)) return Fail(UserPath(dir + c.file) + " is missing");
      components.emplace_back(dir + c.file, c.serverPath);
    }
  }
  const std::string out = StripTrailingBackslash(KitPath(a.out.c_str())) + "\\";
  const std::string packagePath = std::string(release::kPackageFolder) + name;
  const std::string packageTarget = out + release::LocalPath(packagePath);
  // A published package is never changed in place: a client in the middle of
  // its download would end up with parts of two files.
  bool packageKept = false;
  if (platform::FileExists(packageTarget)) {
    if (!SameFile(package, packageTarget)) {
      return Fail(UserPath(packageTarget) +
                  " is already published with other content; clients may be downloading it: give the new package "
                  "a name of its own");
    }
    packageKept = true;
  }

  std::string error;
  if (!packageKept && !PlaceFile(package, packageTarget, false, &error)) return Fail(error, true);
  for (const auto& c : components) {
    if (!PlaceFile(c.first, out + release::LocalPath(c.second), true, &error)) return Fail(error, true);
  }
  // Last, and in one step: the manifest names a package that is already in place.
  if (!PlaceBytes(manifest, out + release::LocalPath(release::kManifestPath), &error)) return Fail(error, true);

  std::printf("published into %s\n", UserPath(out).c_str());
  std::printf("  %-48s manifest\n", release::kManifestPath);
  std::printf("  %-48s package, %llu bytes%s\n", packagePath.c_str(), static_cast<unsigned long long>(report.size),
              packageKept ? ", already there" : "");
  for (size_t i = 0; i < components.size(); ++i) {
    std::printf("  %-48s %s\n", components[i].second.c_str(), release::kComponents[i].file);
  }
  std::printf("manifest: LargeVer=%s url=%s crc=%s\n", TerminalText(version).c_str(), name.c_str(), crcText.c_str());
  return 0;
}

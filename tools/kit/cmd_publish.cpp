// veltaro-kit publish: lays out a release as the installer will ask for it, on
// any static web server.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/IniFile.h"
#include "common/KpLib.h"
#include "common/ReleaseStamp.h"
#include "common/WholeFile.h"
#include "common/TextHelpers.h"
#include "download/CRC_32.h"
#include "download/FileDigest.h"
#include "download/PubCrc.h"
#include "platform/codepage.h"
#include "platform/crypto.h"
#include "platform/errortext.h"
#include "platform/fs.h"
#include "platform/localtime.h"
#include "tools/kit/arguments.h"
#include "tools/kit/commands.h"
#include "tools/kit/file_copy.h"
#include "tools/kit/package_check.h"
#include "tools/kit/progress_bar.h"
#include "tools/kit/release_layout.h"
#include "tools/kit/release_signer.h"
#include "tools/kit/terminal_text.h"
#include "tools/kit/version_label.h"
#include "unpack/SafeNames.h"

namespace {
constexpr size_t kKeyLimit = 64 * 1024;
constexpr size_t kManifestLimit = 1 << 20;
constexpr long kMaxValidDays = 36500;

struct PublishArgs {
  std::string package, version, out, components, sign, validDays;
  bool unsignedOk = false;  // an unsigned publish may replace a signed release
  bool newKey = false;      // a signed publish may replace a release signed with another key
};

// False with the words for what is wrong.
bool ParseArgs(int argc, char** argv, PublishArgs* a, std::string* error) {
  std::vector<std::string> positional;
  if (!ParseArguments(argc, argv,
                      {{"--version", &a->version}, {"--out", &a->out}, {"--components", &a->components},
                       {"--sign", &a->sign}, {"--valid-days", &a->validDays}, {"--unsigned", nullptr, &a->unsignedOk},
                       {"--new-key", nullptr, &a->newKey}},
                      &positional, error)) {
    return false;
  }
  if (positional.size() != 1) {
    *error = positional.empty() ? "no PACKAGE given" : "one PACKAGE only; '" + positional[1] + "' is a second";
  } else if (a->version.empty()) {
    *error = "--version TEXT is missing";
  } else if (a->out.empty()) {
    *error = "--out DIR is missing";
  } else if (a->sign.empty() && !a->validDays.empty()) {
    *error = "--valid-days needs --sign KEY: only a signed manifest carries ValidUntil";
  } else if (a->sign.empty() && a->newKey) {
    *error = "--new-key needs --sign KEY";
  } else if (!a->sign.empty() && a->unsignedOk) {
    *error = "--unsigned and --sign exclude each other";
  } else {
    a->package = positional[0];
    return true;
  }
  return false;
}

// A whole number of days from 1 to kMaxValidDays.
bool ParseDays(const std::string& text, long* days) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  *days = std::stol(text);
  return *days >= 1 && *days <= kMaxValidDays;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int Fail(const std::vector<std::string>& why, bool writing = false) {
  for (const std::string& w : why) std::fprintf(stderr, "veltaro-kit publish: %s\n", w.c_str());
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

// The private key, read and tried before anything is written: a key that
// cannot sign refuses the publish.
bool LoadSigningKey(const std::string& arg, std::string* pem, std::string* pub, std::string* error) {
  if (!SigningAvailable(error)) return false;
  const uint32_t r = ReadWholeFile(KitPath(arg.c_str()), kKeyLimit, pem);
  if (r != 0) {
    *error = "cannot read the signing key " + arg + ": " + platform::ErrorText(r);
    return false;
  }
  std::string sig;
  if (!SignRsaSha256(*pem, "trial", &sig, pub, error)) {
    *error = "the signing key " + arg + " cannot sign: " + *error;
    return false;
  }
  return true;
}

// The file below `dir` that holds exactly `bytes`, or empty: a private key
// copied into the tree would be served to anyone who asks, whatever its name.
// Links are not followed (a loop would never end); each one is named in *links.
std::string TreeHolds(const std::string& dir, const std::string& bytes, std::vector<std::string>* links) {
  std::vector<platform::DirEntry> entries;
  if (!platform::ListDir(dir, &entries)) return std::string();
  for (const platform::DirEntry& e : entries) {
    const std::string path = dir + "\\" + e.name;
    if (e.isLink) {
      links->push_back(path);
      continue;
    }
    if (e.isDir) {
      const std::string found = TreeHolds(path, bytes, links);
      if (!found.empty()) return found;
      continue;
    }
    platform::File f;
    if (f.Open(path, platform::OpenMode::kRead, platform::Share::kReadWrite) != 0 ||
        f.Size() != static_cast<int64_t>(bytes.size()))
      continue;
    f.Close();
    std::string have;
    if (ReadWholeFile(path, bytes.size(), &have) == 0 && have == bytes) return path;
  }
  return std::string();
}

// The first symbolic link on the way from the tree's root `out` (itself not
// counted) to the file `relative` or its temporary name, or empty.
std::string LinkOnTheWay(const std::string& out, const std::string& relative) {
  std::string path = StripTrailingBackslash(out);
  size_t from = 0;
  for (;;) {
    const size_t slash = relative.find('\\', from);
    path += "\\" + relative.substr(from, slash == std::string::npos ? std::string::npos : slash - from);
    if (platform::IsLink(path)) return path;
    if (slash == std::string::npos) break;
    from = slash + 1;
  }
  return platform::IsLink(path + kPartSuffix) ? path + kPartSuffix : std::string();
}

// The Serial of a new signed manifest: past the published one's, and at least
// the current Unix time, so that a tree published afresh still moves forward.
bool NextSerial(const std::string& manifestPath, std::string* serial, std::string* error) {
  uint64_t next = static_cast<uint64_t>(platform::UnixTimeNow());
  std::string published;
  if (platform::FileExists(manifestPath)) {
    const uint32_t r = ReadWholeFile(manifestPath, kManifestLimit, &published);
    ReleaseStamp stamp;
    if (r != 0) {
      *error = "cannot read the published manifest " + UserPath(manifestPath) + ": " + platform::ErrorText(r);
      return false;
    }
    if (!ReadReleaseStamp(published, &stamp, error)) {
      *error = "the published manifest " + UserPath(manifestPath) + " is not the kit's: " + *error;
      return false;
    }
    if (stamp.serial >= kMaxSerial) {
      *error = "the published manifest's Serial cannot grow any further";
      return false;
    }
    if (stamp.serial >= next) next = stamp.serial + 1;
  }
  *serial = std::to_string(next);
  return true;
}

// A UTF-8 literal of the installer's own texts as the terminal shows it.
std::string InstallerText(const char* utf8) { return TerminalText(platform::WideToAnsi(platform::Utf8ToWide(utf8))); }

// A component file of --components DIR.
struct GivenComponent {
  const release::Component* c;
  std::string source;
};

// A release whose base service the installer can find nowhere never finishes:
// each install waits on its installing page for good. A missing driver is only
// missing after the install. The package's own copy counts: the installer
// fetches nothing that already lies below the installation folder. A signed
// manifest names only the files given: a keyed installer refuses a copy left
// in the server tree.
bool CheckComponentsServed(const std::string& out, const PackageReport& report,
                           const std::vector<GivenComponent>& given, bool signing) {
  std::vector<std::string> absent;
  for (const release::Component& c : release::kComponents) {
    bool there = report.Holds(c.installed) || (!signing && platform::FileExists(out + release::LocalPath(c.serverPath)));
    for (const GivenComponent& g : given) there = there || g.c == &c;
    if (!there) absent.push_back(c.file);
  }
  if (!absent.empty() && absent[0] == release::kComponents[0].file) return false;
  for (const std::string& file : absent) {
    if (signing) {
      std::fprintf(stderr, "warning: %s is neither given by --components nor in the package: the signed manifest "
                   "names no hash for it, so keyed installers finish without it\n", file.c_str());
    } else {
      std::fprintf(stderr, "warning: %s is neither given by --components nor in the server tree nor in the package: "
                   "installs finish without it\n", file.c_str());
    }
  }
  return true;
}

// A component that changes under a published signed manifest: installers that
// read that manifest compare the new bytes with the old hash.
void WarnComponentsChanged(const std::string& out, const std::vector<GivenComponent>& components) {
  std::string published;
  if (ReadWholeFile(out + release::LocalPath(release::kManifestPath), kKeyLimit, &published) != 0) return;
  for (const GivenComponent& g : components) {
    const release::Component& c = *g.c;
    const std::string named = IniLookup(published, "Files", release::ServerFileName(c));
    if (named.empty() || SameText(named, FileSha256Text(g.source))) continue;
    std::fprintf(stderr, "warning: %s changes while the published signed manifest names its older bytes: keyed "
                 "installers in the middle of an install refuse it until their next run\n", c.file);
  }
}

// The install-location page centres the version in a fixed label and clips it.
void WarnVersionWidth(const std::string& version) {
  const int width = VersionTextWidth(version);
  if (width <= kVersionLabelWidth) return;
  std::fprintf(stderr, "warning: the version text is about %d pixels wide; the installer's version label is %d, so "
               "it shows as '%s'\n", width, kVersionLabelWidth, TerminalText(VersionTextShown(version)).c_str());
}

// Signs the manifest and checks the signature as an installer would.
bool SignManifest(const std::string& pem, const std::string& manifest, std::string* signature, std::string* error) {
  std::string pub;
  if (!SignRsaSha256(pem, manifest, signature, &pub, error)) return false;
  if (!platform::VerifyRsaSha256(platform::PublicKeyPemToDer(pub), manifest.data(), manifest.size(), *signature)) {
    *error = "the signature does not verify with the key's own public half";
    return false;
  }
  return true;
}
// What a publish writes, every check passed.
struct PublishPlan {
  std::string package, out, name, version, crcText, packagePath, packageTarget, sigTarget, manifestTarget;
  std::string manifest, signature;
  std::vector<GivenComponent> components;
  release::ManifestHashes hashes;
  bool signing, packageKept;  // packageKept: the same bytes are published under its name already
  uint64_t size;
};

// Every check, and reads only: the plan, or false with the refusals, the last
// one the publish's end.
bool PlanPublish(const PublishArgs& a, PublishPlan* p, std::vector<std::string>* refusals) {
  std::string error;
  auto refuse = [refusals](const std::string& why) { return refusals->push_back(why), false; };
  const std::string package = KitPath(a.package.c_str());
  const std::string name = BaseName(a.package);
  if (!IsBarePackageName(name, PackageNameRule::kPublishWrites)) {
    return refuse("the package name '" + name +
                  "' is not a bare file name the installer can ask for: use letters, digits and . _ - + ~ ( ) ! @");
  }
  std::string version;
  if (!platform::WideToGbk(ArgumentText(a.version.c_str()), &version)) {
    return refuse("the version text has characters that GBK, the target systems' code page, cannot hold");
  }

  WarnVersionWidth(version);
  PackageReport report = CheckPackage(package);
  for (const std::string& w : report.warnings) std::fprintf(stderr, "warning: %s\n", w.c_str());
  if (!report.errors.empty()) {
    for (const std::string& e : report.errors) refusals->push_back(a.package + ": " + e);
    return false;
  }
  const bool signing = !a.sign.empty();
  long validDays = 0;
  if (!a.validDays.empty() && !ParseDays(a.validDays, &validDays)) {
    return refuse("--valid-days takes a whole number of days from 1 to " + std::to_string(kMaxValidDays));
  }
  // A signature vouches for every component named in the manifest: only files
  // the maker handed over, never whatever lies in the server tree.
  if (signing && a.components.empty()) {
    return refuse("--sign needs --components DIR: a signed release names only component files you give");
  }
  std::string keyPem, keyPub;
  if (signing && !LoadSigningKey(a.sign, &keyPem, &keyPub, &error)) return refuse(error);

  // One read gives the checksum and the hash.
  const FileDigestResult digest = FileCrcAndSha256(package);
  if (digest.ioResult != 0) return refuse("cannot read " + a.package + ": " + platform::ErrorText(digest.ioResult));
  if (signing && !digest.hashOk) return refuse("the system cannot compute SHA-256");
  const std::string crcText = CrcText(digest.crc);

  // Every source is checked before anything is written.
  const std::string out = StripTrailingBackslash(KitPath(a.out.c_str())) + "\\";
  std::vector<GivenComponent> components;
  std::string componentDir;
  if (!a.components.empty()) {
    componentDir = StripTrailingBackslash(KitPath(a.components.c_str())) + "\\";
    if (!DirExists(componentDir)) return refuse("the components folder " + a.components + " does not exist");
    for (const release::Component& c : release::kComponents) {
      if (platform::FileExists(componentDir + c.file)) components.push_back({&c, componentDir + c.file});
    }
  }
  // Nothing is written through a link: it could lead out of the tree.
  const std::string packagePath = std::string(release::kPackageFolder) + name;
  std::vector<std::string> targets = {packagePath, release::kSignaturePath, release::kManifestPath};
  for (const GivenComponent& c : components) targets.push_back(c.c->serverPath);
  for (const std::string& t : targets) {
    const std::string link = LinkOnTheWay(out, release::LocalPath(t));
    if (!link.empty()) {
      return refuse(UserPath(link) + " is a symbolic link; publish writes nothing through a link: remove it");
    }
  }
  const std::string sigTarget = out + release::LocalPath(release::kSignaturePath);
  const std::string manifestTarget = out + release::LocalPath(release::kManifestPath);
  if (!signing && !a.unsignedOk && platform::FileExists(sigTarget)) {
    return refuse(UserPath(out) + " holds a signed release: an unsigned manifest there is refused by every keyed "
                  "installer; publish with --sign KEY, or give --unsigned to drop the signature");
  }
  if (!CheckComponentsServed(out, report, components, signing)) {
    const std::string where = componentDir.empty() ? "give --components DIR with BaseService.exe"
                                                   : "put BaseService.exe into " + UserPath(componentDir);
    return refuse(std::string("the base service is neither given by --components nor ") +
                  (signing ? "in the package (a signed release names only the files you give)"
                           : "in the server tree nor in the package") +
                  ": " + where + " (and SWUKeyDrive.exe, VeltaroCSP.exe and SKPDrive.exe, those you have); without "
                  "the base service the installer stops on its installing page for good, at " +
                  InstallerText("\"正在安装基础服务... 0%\""));
  }
  WarnComponentsChanged(out, components);
  release::ManifestHashes hashes;
  if (signing) {
    std::vector<std::string> links;
    const std::string copy = TreeHolds(StripTrailingBackslash(out), keyPem, &links);
    if (!copy.empty()) {
      return refuse("the signing key " + a.sign + " lies in the server tree as " + UserPath(copy) +
                    ", where anyone could fetch it: keep it outside");
    }
    for (const std::string& l : links) {
      std::fprintf(stderr, "warning: %s is a symbolic link; the search for the signing key did not follow it\n",
                   UserPath(l).c_str());
    }
    // The installers in the field carry the public half of the published signature's key.
    if (!a.newKey && platform::FileExists(sigTarget) && platform::FileExists(manifestTarget)) {
      std::string published, oldSignature;
      if (ReadWholeFile(manifestTarget, kManifestLimit, &published) != 0 ||
          ReadWholeFile(sigTarget, kKeyLimit, &oldSignature) != 0) {
        return refuse("cannot read the published manifest and its signature in " + UserPath(out));
      }
      if (!platform::VerifyRsaSha256(platform::PublicKeyPemToDer(keyPub), published.data(), published.size(),
                                     oldSignature)) {
        return refuse("the release in " + UserPath(out) + " was signed with another key than " + a.sign +
                      ": the keyed installers in the field would refuse this release and every later one; give "
                      "--new-key only when the installers you ship carry this key's public half");
      }
    }
    if (!NextSerial(manifestTarget, &hashes.serial, &error)) return refuse(error);
    if (validDays > 0) hashes.validUntil = UtcText(platform::UnixTimeNow() + validDays * int64_t{86400});
    hashes.packageSha256 = platform::HexText(digest.sha256);
    for (const GivenComponent& c : components) {
      const std::string sha = FileSha256Text(c.source);
      if (sha.empty()) return refuse("cannot read " + UserPath(c.source));
      hashes.files.emplace_back(release::ServerFileName(*c.c), sha);
    }
  }
  const std::string manifest = release::ManifestText(version, name, crcText, signing ? &hashes : nullptr);
  std::string problem = RoundTripProblem(manifest, version, name, crcText);
  if (!problem.empty()) return refuse("the version text cannot stand in the manifest as it is: " + problem);
  std::string signature;
  if (signing && !SignManifest(keyPem, manifest, &signature, &error)) return refuse(error);
  const std::string packageTarget = out + release::LocalPath(packagePath);
  // A published package is never changed in place: a client in the middle of
  // its download would end up with parts of two files.
  bool packageKept = false;
  if (platform::FileExists(packageTarget)) {
    if (!SameFile(package, packageTarget)) {
      return refuse(UserPath(packageTarget) +
                    " is already published with other content; clients may be downloading it: give the new package "
                    "a name of its own");
    }
    packageKept = true;
  }
  *p = {package, out, name, version, crcText, packagePath, packageTarget, sigTarget, manifestTarget, manifest,
        signature, components, hashes, signing, packageKept, report.size};
  return true;
}

// Carries the plan out. False with what failed.
bool WritePublish(const PublishPlan& p, std::string* error) {
  if (!p.packageKept && !PlaceFile(p.package, p.packageTarget, false, error)) return false;
  for (const GivenComponent& c : p.components) {
    if (!PlaceFile(c.source, p.out + release::LocalPath(c.c->serverPath), true, error)) return false;
  }
  // The signature first, so that no client sees the new manifest without it. An
  // unsigned publish drops an older signature, which could never match.
  if (p.signing && !PlaceBytes(p.signature, p.sigTarget, error)) return false;
  if (!p.signing && platform::FileExists(p.sigTarget) && !platform::RemoveFile(p.sigTarget)) {
    *error = "cannot remove the older signature " + UserPath(p.sigTarget) + ": " +
             platform::ErrorText(platform::LastError());
    return false;
  }
  // Last, and in one step: the manifest names a package that is already in place.
  return PlaceBytes(p.manifest, p.manifestTarget, error);
}
}  // namespace

int CmdPublish(int argc, char** argv) {
  PublishArgs a;
  std::string error;
  if (!ParseArgs(argc, argv, &a, &error)) return UsageError("publish", error);
  PublishPlan p;
  std::vector<std::string> refusals;
  if (!PlanPublish(a, &p, &refusals)) return Fail(refusals);
  if (!WritePublish(p, &error)) return Fail({error}, true);
  std::printf("published into %s\n", UserPath(p.out).c_str());
  // One column for the descriptions, however long the package's name.
  const int w = static_cast<int>(std::max(p.packagePath.size(), std::strlen(release::kSignaturePath)));
  std::printf("  %-*s  manifest\n", w, release::kManifestPath);
  std::printf("  %-*s  package, %s%s\n", w, p.packagePath.c_str(), SizeText(p.size).c_str(),
              p.packageKept ? ", already there" : "");
  for (const GivenComponent& c : p.components) std::printf("  %-*s  %s\n", w, c.c->serverPath, c.c->file);
  if (p.signing) std::printf("  %-*s  signature\n", w, release::kSignaturePath);
  std::printf("manifest: LargeVer=%s url=%s crc=%s\n", TerminalText(p.version).c_str(), p.name.c_str(),
              p.crcText.c_str());
  if (p.signing) {
    std::printf("signed: sha256=%s Serial=%s", p.hashes.packageSha256.c_str(), p.hashes.serial.c_str());
    if (!p.hashes.validUntil.empty()) std::printf(" ValidUntil=%s (UTC)", p.hashes.validUntil.c_str());
    std::printf("\n");
    for (const auto& f : p.hashes.files) std::printf("  %s=%s\n", f.first.c_str(), f.second.c_str());
  }
  return 0;
}

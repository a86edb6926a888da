// veltaro-kit check: a live release server, asked the way the installer asks.
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "common/ReleaseLayout.h"
#include "common/ReleaseStamp.h"
#include "common/WholeFile.h"
#include "common/pubShare.h"
#include "download/FileDigest.h"
#include "download/HttpClient.h"
#include "download/HttpRequest.h"
#include "download/PubCrc.h"
#include "platform/console.h"
#include "platform/crypto.h"
#include "platform/errortext.h"
#include "platform/fs.h"
#include "platform/localtime.h"
#include "tools/kit/arguments.h"
#include "tools/kit/commands.h"
#include "tools/kit/engine_run.h"
#include "tools/kit/kit_proxy.h"
#include "tools/kit/progress_bar.h"
#include "tools/kit/server_probe.h"
#include "tools/kit/terminal_text.h"
#include "tools/kit/work_folder.h"
#include "unpack/PubZip.h"
#include "unpack/SafeNames.h"
#include "unpack/ZipReader.h"

namespace {
constexpr size_t kRangeKeep = 64 * 1024;  // bytes of each ranged answer compared with the file
constexpr int64_t kMaxManifestBytes = 1 << 20;  // the manifest and its signature

// A finding made after Ctrl-C or SIGTERM is the interrupt's, not the server's:
// it is not shown.
class Findings {
 public:
  void Ok(const std::string& text) {
    if (!platform::InterruptRequested()) std::printf("ok   %s\n", text.c_str()), std::fflush(stdout);
  }
  void Fail(const std::string& text) {
    if (platform::InterruptRequested()) return;
    std::printf("FAIL %s\n", text.c_str());
    std::fflush(stdout);
    ++failed_;
  }
  // What the installer copes with, said all the same.
  void Warn(const std::string& text) {
    if (platform::InterruptRequested()) return;
    std::printf("warn %s\n", text.c_str());
    std::fflush(stdout);
    ++warned_;
  }
  int failed() const { return failed_; }
  int warned() const { return warned_; }

 private:
  int failed_ = 0;
  int warned_ = 0;
};

// The hosts ("host:port") that let a transfer stall: each one costs 30 s, so a
// host is asked nothing more once it stalled.
class Stalls {
 public:
  static std::string HostOf(const std::string& url) {
    HttpUrl u;
    return ParseHttpUrl(url, &u) ? u.host + ":" + std::to_string(u.port) : url;
  }
  // Notes the host when `why` is a stall's failure.
  void Note(const std::string& url, const std::string& why) {
    if (why.find("too slow") != std::string::npos) hosts_.insert(HostOf(url));
  }
  // The words for a request not made, or empty when the host may be asked.
  std::string Skipped(const std::string& url) const {
    if (!hosts_.count(HostOf(url))) return std::string();
    return "not asked: " + HostOf(url) + " stalled before (fewer than 1 KiB in 30 s)";
  }

 private:
  std::set<std::string> hosts_;
};
Stalls g_stalls;

std::string WithSlash(std::string url) {
  if (url.empty() || url.back() != '/') url += '/';
  return url;
}

// Upper-case hexadecimal, no leading zero beyond two digits, at most eight.
bool IsChecksumText(const std::string& s) {
  if (s.size() < 2 || s.size() > 8 || (s.size() > 2 && s[0] == '0')) return false;
  for (char c : s) {
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  }
  return true;
}

void DrawBar(int32_t done, int32_t size, bool valid) {
  DrawProgressBar(valid && size > 0 ? static_cast<int>(100.0 * done / size) : 0, "package");
}

// Downloads with the engine; the failure's words on `why`.
bool EngineFetch(const std::string& url, const std::string& file, bool bar, std::string* finalName, std::string* why) {
  EngineRun run = RunEngine(url, file, bar ? DrawBar : nullptr);
  EndProgressBar("");
  if (run.finished) {
    *finalName = run.finalName;
    return true;
  }
  if (run.interrupted) {
    *why = "interrupted";
    return false;
  }
  *why = ProbeDownload(url);
  if (why->empty()) {
    *why = "the engine gave up";
    PrintEngineLog(run.log);
  }
  return false;
}

int64_t FileSize(const std::string& path) {
  platform::File f;
  return f.Open(path, platform::OpenMode::kRead, platform::Share::kRead) == 0 ? f.Size() : -1;
}

// The files below a folder, counted.
size_t CountFiles(const std::string& dir) {
  std::vector<platform::DirEntry> entries;
  size_t n = 0;
  if (!platform::ListDir(dir, &entries)) return 0;
  for (const platform::DirEntry& e : entries) n += e.isDir ? CountFiles(dir + "\\" + e.name) : 1;
  return n;
}

// Where the answer to a range differs from the downloaded file, or -1.
int64_t FirstDifference(const std::string& file, int64_t offset, const std::string& bytes) {
  platform::File f;
  std::string have(bytes.size(), '\0');
  uint32_t got = 0;
  if (f.Open(file, platform::OpenMode::kRead, platform::Share::kRead) != 0 ||
      (!have.empty() && f.ReadAt(offset, &have[0], static_cast<uint32_t>(have.size()), &got) != 0)) {
    return offset;
  }
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i >= got || have[i] != bytes[i]) return offset + static_cast<int64_t>(i);
  }
  return -1;
}

struct Manifest {
  std::string version, name, crc;
  bool verified = false;  // signed with the key given; then the hashes below count
  std::string sha256;
  std::map<std::string, std::string> files;
};

// The manifest or its signature fetched to `file`; a failure is a finding.
bool FetchSmall(const char* what, const std::string& url, const std::string& file, Findings& f) {
  const std::string why = FetchBody(url, file, kMaxManifestBytes);
  g_stalls.Note(url, why);
  if (!why.empty()) f.Fail(what + (" " + url) + ": " + why);
  return why.empty();
}

// The manifest's signature, checked as a keyed installer checks it.
bool CheckSignature(const std::string& base, const std::string& work, const std::string& keyDer,
                    const std::string& local, Findings& f) {
  const std::string url = base + release::kSignaturePath;
  const std::string sigFile = work + "VELTARO.XML.sig";
  if (!FetchSmall("signature", url, sigFile, f)) return false;
  std::string manifest, signature;
  if (ReadWholeFile(local, 1 << 20, &manifest) != 0 || ReadWholeFile(sigFile, 64 * 1024, &signature) != 0 ||
      !platform::VerifyRsaSha256(keyDer, manifest.data(), manifest.size(), signature)) {
    f.Fail("signature " + url + " does not verify the manifest with the key given");
    return false;
  }
  f.Ok("signature " + url + " verifies the manifest");
  return true;
}

// Serial and ValidUntil, judged by this machine's clock as a keyed installer
// judges them (the serial an installer last took is its own to know).
bool CheckReleaseStamp(const std::string& local, Findings& f) {
  std::string manifest, problem;
  ReleaseStamp stamp;
  if (ReadWholeFile(local, 1 << 20, &manifest) != 0 || !ReadReleaseStamp(manifest, &stamp, &problem)) {
    f.Fail("manifest: " + (problem.empty() ? std::string("cannot be read again") : problem) +
           ": keyed installers refuse it");
    return false;
  }
  std::string text = "manifest Serial=" + std::to_string(stamp.serial);
  text += stamp.expires ? " ValidUntil=" + UtcText(stamp.validUntil) + " (UTC)" : std::string(", no ValidUntil");
  if (stamp.expires && stamp.validUntil < platform::UnixTimeNow()) {
    f.Fail(text + " has passed: keyed installers refuse it");
    return false;
  }
  f.Ok(text);
  return true;
}

bool CheckManifest(const std::string& base, const std::string& work, const std::string& keyDer, Findings& f,
                   Manifest* m) {
  const std::string url = base + release::kManifestPath;
  const std::string local = work + "VELTARO.XML";
  if (!FetchSmall("manifest", url, local, f)) return false;
  // A keyed installer reads no value of a manifest whose signature fails.
  if (!keyDer.empty()) {
    if (!CheckSignature(base, work, keyDer, local, f)) return false;
    m->verified = true;
    m->sha256 = ReadIniValue("Setup", "sha256", local);
    for (const release::Component& c : release::kComponents) {
      const std::string name = release::ServerFileName(c);
      m->files[name] = ReadIniValue("Files", name, local);
    }
    if (m->sha256.empty()) f.Fail("manifest " + url + " has no sha256 in section [Setup]: keyed installers refuse every package");
    if (!CheckReleaseStamp(local, f)) return false;
  }
  m->version = ReadIniValue("Setup", "LargeVer", local);
  m->name = ReadIniValue("Setup", "url", local);
  m->crc = ReadIniValue("Setup", "crc", local);
  const std::string values =
      "LargeVer=" + TerminalText(m->version) + " url=" + TerminalText(m->name) + " crc=" + TerminalText(m->crc);
  bool ok = true;
  if (m->version.empty() || m->name.empty() || m->crc.empty()) {
    f.Fail("manifest " + url + " lacks a value of section [Setup]: " + values);
    return false;
  }
  f.Ok("manifest " + url + ": " + values);
  if (!IsBarePackageName(m->name, PackageNameRule::kPublishWrites)) {
    f.Fail("manifest url '" + TerminalText(m->name) + "' is not a bare file name the installer can ask for");
    ok = false;
  }
  if (!IsChecksumText(m->crc)) {
    f.Fail("manifest crc '" + TerminalText(m->crc) +
           "' is not in the installer's checksum form (upper-case hexadecimal without leading zeros, at least two "
           "digits): no package can match it");
    ok = false;
  }
  return ok;
}

void CheckPackageOnServer(const std::string& base, const std::string& work, const Manifest& m, Findings& f) {
  const std::string url = base + release::kPackageFolder + m.name;
  ProbeResult head = ProbeHead(url);
  g_stalls.Note(url, head.problem);
  if (!g_stalls.Skipped(url).empty()) {
    f.Fail("package " + url + ": " + head.problem);
    return;
  }
  if (!head.problem.empty()) {
    f.Fail("package " + url + ": " + head.problem);
  } else if (head.length > 0x7FFFFFFF) {
    f.Fail("package " + url + " is " + std::to_string(head.length) + " bytes; the engine's sizes stop below 2 GiB");
    return;
  } else {
    f.Ok("package " + url + ": " + std::to_string(head.length) + " bytes by HEAD");
  }

  // The two ranges the engine's segments ask for: each ends one byte past its
  // segment, the last one past the end of the file.
  ProbeResult ranges[2];
  int64_t half = head.length / 2;
  const int64_t from[2] = {0, half};
  if (head.problem.empty()) {
    ranges[0] = ProbeRange(url, 0, half, head.length, kRangeKeep);
    ranges[1] = ProbeRange(url, half, head.length, head.length, kRangeKeep);
    bool rangesOk = true;
    for (const ProbeResult& r : ranges) {
      g_stalls.Note(url, r.problem);
      if (r.problem.empty()) continue;
      // A server that ignores Range does it for both: one line says so.
      if (!rangesOk && r.problem.compare(0, 24, "the server ignores Range") == 0) continue;
      f.Fail("package " + url + ": " + r.problem);
      rangesOk = false;
    }
    if (rangesOk) f.Ok("ranged GETs answered 206 with the right Content-Range");
  }

  std::string file, why = g_stalls.Skipped(url);
  if (!why.empty() || !EngineFetch(url, work + m.name, ProgressBarsShown(), &file, &why)) {
    g_stalls.Note(url, why);
    f.Fail("download with the installer's engine failed: " + why);
    return;
  }
  const FileDigestResult digest = FileCrcAndSha256(file);
  const std::string crc = digest.ioResult == 0 ? CrcText(digest.crc) : std::string();
  if (m.verified && !m.sha256.empty()) {
    const std::string sha = platform::HexText(digest.sha256);
    if (sha != m.sha256) {
      f.Fail("downloaded package has SHA-256 " + sha + ", the manifest says " + TerminalText(m.sha256));
      return;
    }
    f.Ok("downloaded package's SHA-256 is the manifest's");
  }
  if (crc != m.crc) {
    f.Fail("downloaded package has checksum " + crc + ", the manifest says " + TerminalText(m.crc));
  } else {
    f.Ok("downloaded with the installer's engine (" + std::to_string(FileSize(file)) + " bytes), checksum " + crc +
         " as in the manifest");
  }
  for (int i = 0; i < 2; ++i) {
    if (!ranges[i].problem.empty() || ranges[i].body.empty()) continue;
    int64_t at = FirstDifference(file, from[i], ranges[i].body);
    if (at >= 0) f.Fail("the answer to the range from byte " + std::to_string(from[i]) + " differs from the file at byte " + std::to_string(at));
  }

  TZipReader zip;
  size_t files = 0;
  if (zip.Open(file)) {
    for (const ZipEntry& e : zip.Entries()) files += e.IsFolder() ? 0 : 1;
  }
  const std::string dest = work + "unpacked";
  if (!UnpackPackage(file, dest)) {
    f.Fail("the installer's unpack extracts nothing from the package");
    return;
  }
  size_t placed = CountFiles(dest);
  if (placed != files) {
    f.Fail("the installer's unpack placed " + std::to_string(placed) + " of the package's " + std::to_string(files) +
           " files (veltaro-kit publish names the entries it would skip)");
  } else {
    f.Ok("unpacked every member: " + std::to_string(files) + " files");
  }
}

// A fetched component against the signed manifest's hash.
void CheckComponentHash(const release::Component& c, const std::string& url, const std::string& file,
                        const Manifest& m, Findings& f) {
  const std::string name = release::ServerFileName(c);
  const auto it = m.files.find(name);
  const std::string want = it == m.files.end() ? std::string() : it->second;
  if (want.empty()) {
    f.Fail("component " + std::string(c.file) + ": the manifest's section [Files] has no hash for " + name);
    return;
  }
  const std::string sha = FileSha256Text(file);
  if (sha != want) {
    f.Fail("component " + std::string(c.file) + ": " + url + " has SHA-256 " + sha + ", the manifest says " +
           TerminalText(want));
  } else {
    f.Ok("component " + std::string(c.file) + ": SHA-256 as in the manifest");
  }
}

void CheckComponents(const std::string& base, const std::string& service, const std::string& work,
                     const Manifest& m, Findings& f) {
  const std::string dir = work + "components\\";
  int n = 0;
  for (const release::Component& c : release::kComponents) {
    std::vector<std::string> urls = {base + c.serverPath};
    if (c.alsoOnServiceHost) urls.push_back(service + c.serverPath);
    for (const std::string& url : urls) {
      // The base service comes through the engine, the drivers through the
      // synchronous fetch, as the installer takes them.
      const std::string target = dir + std::to_string(n++) + "_" + c.file;
      std::string file = target, why = g_stalls.Skipped(url);
      const bool ok = why.empty() && (c.alsoOnServiceHost ? EngineFetch(url, target, false, &file, &why)
                                                          : (why = FetchBody(url, target, kMaxBodyLength)).empty());
      g_stalls.Note(url, why);
      if (ok) {
        f.Ok("component " + std::string(c.file) + ": " + url + " answers with " + std::to_string(FileSize(file)) + " bytes");
        if (m.verified) CheckComponentHash(c, url, file, m, f);
      } else if (!c.alsoOnServiceHost && why.rfind("the server answered HTTP/1.1 404", 0) == 0) {
        // A driver a release does without: installs finish without it.
        f.Warn("component " + std::string(c.file) + ": " + url + ": " + why + ": installs finish without it");
      } else {
        f.Fail("component " + std::string(c.file) + ": " + url + ": " + (why.empty() ? "the fetch failed" : why));
      }
    }
  }
}

// Whether a release lies beside the manifest's signature: without --key, the
// checks cannot say whether keyed installers take it.
bool CarriesSignature(const std::string& base, const std::string& work) {
  const std::string url = base + release::kSignaturePath;
  if (!g_stalls.Skipped(url).empty()) return false;
  return FetchBody(url, work + "VELTARO.XML.sig", kMaxManifestBytes).empty();
}

// BASEURL and the service host as the installer can ask them: http://HOST/ or
// http://HOST:PORT/, nothing below the server's root.
std::string BaseUrlProblem(const std::string& url, HttpUrl* parsed) {
  if (!ParseHttpUrl(url, parsed) || parsed->scheme != "http") {
    return url + " is not an http:// URL; the installer speaks plain HTTP";
  }
  if (parsed->path != "/") {
    return url + " has a path; the installer only ever asks http://HOST/ or http://HOST:PORT/, so publish into the "
                 "folder the server serves at its root";
  }
  return std::string();
}
}  // namespace

int CmdCheck(int argc, char** argv) {
  std::string service, keyArg, error;
  std::vector<std::string> positional;
  if (!TakeKitProxy(&argc, argv, "check")) return 2;
  if (!ParseArguments(argc, argv, {{"--service", &service}, {"--key", &keyArg}}, &positional, &error)) {
    return UsageError("check", error);
  }
  if (positional.size() != 1) {
    return UsageError("check", positional.empty() ? "no BASEURL given"
                                                  : "one BASEURL only; '" + positional[1] + "' is a second");
  }
  const std::string base = WithSlash(positional[0]);
  HttpUrl parsed, parsedService;
  std::string problem = BaseUrlProblem(base, &parsed);
  if (problem.empty()) {
    service = service.empty() ? "http://" + parsed.host + ":8080/" : WithSlash(service);
    problem = BaseUrlProblem(service, &parsedService);
  }
  if (!problem.empty()) {
    std::fprintf(stderr, "veltaro-kit check: %s\n", problem.c_str());
    return 2;
  }
  std::string keyDer;
  if (!keyArg.empty()) {
    std::string pem;
    const uint32_t r = ReadWholeFile(KitPath(keyArg.c_str()), 64 * 1024, &pem);
    if (r != 0) {
      std::fprintf(stderr, "veltaro-kit check: cannot read %s: %s\n", keyArg.c_str(), platform::ErrorText(r).c_str());
      return 2;
    }
    keyDer = platform::PublicKeyPemToDer(pem);
    if (keyDer.empty()) {
      std::fprintf(stderr, "veltaro-kit check: %s is not a PEM public key (BEGIN PUBLIC KEY)\n", keyArg.c_str());
      return 2;
    }
  }
  WorkFolder work("veltaro-check-");
  if (!work.ok()) {
    std::fprintf(stderr, "veltaro-kit check: cannot make a folder in %s\n", UserPath(platform::TempFolder()).c_str());
    return 1;
  }
  for (const std::string& url : {base, service}) {
    if (!KitProxyFor(url).empty()) std::printf("%s for %s\n", KitProxyFor(url).c_str(), url.c_str());
  }
  InterruptTransfers();
  Findings f;
  Manifest m;
  if (CheckManifest(base, work.path(), keyDer, f, &m) && !platform::InterruptRequested()) {
    CheckPackageOnServer(base, work.path(), m, f);
  }
  // Without a verified manifest there is nothing to hold the components to.
  if ((keyDer.empty() || m.verified) && !platform::InterruptRequested()) {
    CheckComponents(base, service, work.path(), m, f);
  }
  if (platform::InterruptRequested()) {
    std::fprintf(stderr, "veltaro-kit check: interrupted\n");
    return platform::InterruptExitCode();
  }
  const std::string unverified =
      keyDer.empty() && CarriesSignature(base, work.path()) ? "; signed: give --key to verify it" : "";
  if (f.failed() == 0) {
    const std::string warned =
        f.warned() == 0 ? "" : " (" + std::to_string(f.warned()) + " warning" + (f.warned() == 1 ? ")" : "s)");
    std::printf("release at %s: %s%s\n", base.c_str(),
                unverified.empty() ? "all checks passed" : ("the checks without a key passed" + unverified).c_str(),
                warned.c_str());
    return 0;
  }
  std::printf("release at %s: %d problem%s%s\n", base.c_str(), f.failed(), f.failed() == 1 ? "" : "s",
              unverified.c_str());
  return 1;
}

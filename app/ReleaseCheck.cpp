#include "app/ReleaseCheck.h"

#include "app/FlowLog.h"
#include "app/FlowValues.h"
#include "app/ServerConfig.h"
#include "common/ReleaseStamp.h"
#include "common/WholeFile.h"
#include "common/pubShare.h"
#include "download/FetchToFile.h"
#include "download/FileDigest.h"
#include "download/PubCrc.h"
#include "platform/crypto.h"
#include "platform/fs.h"
#include "platform/localtime.h"
#include "platform/safe_fs.h"
#include "platform/system.h"

namespace app {

namespace {
constexpr size_t kManifestLimit = 1 << 20;
constexpr size_t kUnsignedLimit = 16 << 20;  // what a profile read takes
constexpr size_t kSignatureLimit = 64 * 1024;
constexpr uint32_t kRetryDelayMs = 1000;
const char kSerialValue[] = "ReleaseSerial";

// The highest Serial this machine accepted; 0 when none is recorded.
uint64_t AcceptedSerial() {
  uint64_t serial = 0;
  return ParseSerial(ReadRegString(kInstallerKey, kSerialValue), &serial) ? serial : 0;
}

enum class Verdict { kAccepted, kRefused, kNoSignature };

// The manifest on disk held to its signature, to the serial accepted before and
// to the machine's clock. *serial receives the manifest's Serial.
Verdict JudgeManifest(const std::string& manifestFile, const std::string& signatureUrl, std::string* text,
                      uint64_t* serial) {
  const std::string sigFile = manifestFile + ".sig";
  std::string signature;
  const bool fetched = FetchToFile(signatureUrl, sigFile, false);
  const bool read = fetched && ReadWholeFile(sigFile, kSignatureLimit, &signature) == 0 &&
                    ReadWholeFile(manifestFile, kManifestLimit, text) == 0;
  platform::RemoveSafely(sigFile);
  if (!fetched) {
    LogSignature("no signature could be fetched", 0);
    return Verdict::kNoSignature;
  }
  ReleaseStamp stamp;
  std::string problem, refusal;
  if (!read) refusal = "the manifest or its signature cannot be read";
  else if (!platform::VerifyRsaSha256(ReleaseKeyDer, text->data(), text->size(), signature))
    refusal = "the signature does not verify the manifest";
  else if (!ReadReleaseStamp(*text, &stamp, &problem)) refusal = "release stamp: " + problem;
  else if (stamp.serial < AcceptedSerial())
    refusal = "serial " + std::to_string(stamp.serial) + " is below " + std::to_string(AcceptedSerial()) +
              ", which this machine accepted";
  else if (stamp.expires && stamp.validUntil < platform::UnixTimeNow()) refusal = "the release has expired";
  *serial = stamp.serial;
  LogSignature(refusal, stamp.serial);
  return refusal.empty() ? Verdict::kAccepted : Verdict::kRefused;
}
}  // namespace

bool FetchVerifiedManifest(const std::string& url, const std::string& manifestFile, std::string* text) {
  text->clear();
  if (!FetchToFile(url, manifestFile, false)) return false;
  // Unsigned: a manifest that cannot be read gives empty values, as ever.
  if (!SignedReleases) {
    ReadWholeFile(manifestFile, kUnsignedLimit, text);
    return true;
  }
  for (int attempt = 0;; ++attempt) {
    uint64_t serial = 0;
    const Verdict v = JudgeManifest(manifestFile, url + ".sig", text, &serial);
    if (v == Verdict::kAccepted) {
      // Only an accepted manifest moves the mark; an equal serial leaves it.
      if (serial > AcceptedSerial()) WriteRegString(kInstallerKey, kSerialValue, std::to_string(serial));
      return true;
    }
    text->clear();
    platform::RemoveSafely(manifestFile);
    if (v == Verdict::kNoSignature || attempt == 1) return false;
    platform::SleepMs(kRetryDelayMs);
    if (!FetchToFile(url, manifestFile, false)) return false;
  }
}

PackageDigest DigestPackage(platform::File& package) {
  PackageDigest d;
  if (!SignedReleases) {
    d.crcText = FileCrcText(package);
    d.hashMatches = true;
    return d;
  }
  const FileDigestResult r = FileCrcAndSha256(package);
  if (r.ioResult != 0) return d;
  d.crcText = CrcText(r.crc);
  d.hashMatches = r.hashOk && !PackageSha256.empty() && platform::HexText(r.sha256) == PackageSha256;
  return d;
}

std::string ComponentFetchName(const std::string& target) { return target + ".tmp"; }

bool PlaceComponent(const std::string& target, const std::string& serverName) {
  return PlaceComponent(target, serverName, ComponentFetchName(target));
}

bool PlaceComponent(const std::string& target, const std::string& serverName, const std::string& fetched) {
  platform::File held;
  bool placed = false, matches = true;
  if (held.OpenHeld(fetched, true) == 0) {
    if (SignedReleases) {
      const auto it = FileHashes.find(serverName);
      matches = it != FileHashes.end() && !it->second.empty() && FileSha256Text(held) == it->second;
    }
    placed = matches && held.MoveHeldTo(target) == 0;
  }
  held.Close();
  if (!placed) platform::RemoveSafely(fetched);
  LogComponent(target, placed ? "installed" : matches ? "failed" : "refused");
  return placed;
}

}  // namespace app

#include "app/ReleaseCheck.h"

#include "app/FlowValues.h"
#include "common/WholeFile.h"
#include "download/FetchToFile.h"
#include "download/FileDigest.h"
#include "download/PubCrc.h"
#include "platform/crypto.h"
#include "platform/fs.h"

namespace app {

namespace {
constexpr size_t kManifestLimit = 1 << 20;
constexpr size_t kUnsignedLimit = 16 << 20;  // what a profile read takes
constexpr size_t kSignatureLimit = 64 * 1024;
}  // namespace

bool FetchVerifiedManifest(const std::string& manifestFile, const std::string& signatureUrl, std::string* text) {
  text->clear();
  // Unsigned: a manifest that cannot be read gives empty values, as ever.
  if (!SignedReleases) {
    ReadWholeFile(manifestFile, kUnsignedLimit, text);
    return true;
  }
  const std::string sigFile = manifestFile + ".sig";
  std::string signature;
  const bool ok = FetchToFile(signatureUrl, sigFile, false) &&
                  ReadWholeFile(sigFile, kSignatureLimit, &signature) == 0 &&
                  ReadWholeFile(manifestFile, kManifestLimit, text) == 0 &&
                  platform::VerifyRsaSha256(ReleaseKeyDer, text->data(), text->size(), signature);
  platform::RemoveFile(sigFile);
  if (ok) return true;
  text->clear();
  platform::RemoveFile(manifestFile);
  return false;
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
  const std::string fetched = ComponentFetchName(target);
  platform::File held;
  bool placed = false;
  if (held.OpenHeld(fetched, true) == 0) {
    bool matches = true;
    if (SignedReleases) {
      const auto it = FileHashes.find(serverName);
      matches = it != FileHashes.end() && !it->second.empty() && FileSha256Text(held) == it->second;
    }
    placed = matches && held.MoveHeldTo(target) == 0;
  }
  held.Close();
  if (!placed) platform::RemoveFile(fetched);
  return placed;
}

}  // namespace app

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

PackageDigest DigestPackage(const std::string& file) {
  PackageDigest d;
  if (!SignedReleases) {
    d.crcText = FileCrcText(file);
    d.hashMatches = true;
    return d;
  }
  const FileDigestResult r = FileCrcAndSha256(file);
  if (r.ioResult != 0) return d;
  d.crcText = DecimalToHex(std::to_string(r.crc));
  d.hashMatches = r.hashOk && !PackageSha256.empty() && platform::HexText(r.sha256) == PackageSha256;
  return d;
}

void HoldComponentToManifest(const std::string& target, const std::string& serverName) {
  if (!SignedReleases || !platform::FileExists(target)) return;
  const auto it = FileHashes.find(serverName);
  const bool matches = it != FileHashes.end() && !it->second.empty() && FileSha256Text(target) == it->second;
  if (!matches) platform::RemoveFile(target);
}

}  // namespace app

// Holding what the installer fetched to the maker's signed manifest. Every
// check here passes at once when SignedReleases is off.
#pragma once
#include <string>

namespace app {

// The manifest just fetched to `manifestFile`, with its signature fetched from
// `signatureUrl`, verified over the bytes on disk. On success *text holds
// those bytes (read the values from them, not from the file again); on any
// failure both local copies are deleted.
bool FetchVerifiedManifest(const std::string& manifestFile, const std::string& signatureUrl, std::string* text);

// The manifest's checksum text of the package file (empty when unreadable),
// and, with signed releases, whether its SHA-256 is the manifest's: one read.
struct PackageDigest {
  std::string crcText;
  bool hashMatches = false;
};
PackageDigest DigestPackage(const std::string& file);

// A component just fetched to `target`: with signed releases, deleted unless
// its SHA-256 is the one the manifest's section Files gives for `serverName`.
void HoldComponentToManifest(const std::string& target, const std::string& serverName);

}  // namespace app

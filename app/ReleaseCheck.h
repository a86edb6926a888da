// Holding what the installer fetched to the maker's signed manifest. Every
// check here passes at once when SignedReleases is off.
#pragma once
#include <string>

#include "platform/fs.h"

namespace app {

// The manifest at `url`, fetched to `manifestFile`. With signed releases it
// counts only when its signature (`url` + ".sig") verifies the bytes on disk,
// its Serial is at least the highest this machine accepted (kept in HKLM as
// ReleaseSerial, raised here) and its ValidUntil, if any, has not passed; a
// manifest and signature that do not agree are fetched once more a second
// later (a publish may fall between the two fetches). On success *text holds
// the bytes checked (read the values from them, not from the file again); on
// any failure both local copies are deleted.
bool FetchVerifiedManifest(const std::string& url, const std::string& manifestFile, std::string* text);

// The manifest's checksum text of the package (empty when unreadable), and,
// with signed releases, whether its SHA-256 is the manifest's: one read
// through the open file, from its start.
struct PackageDigest {
  std::string crcText;
  bool hashMatches = false;
};
PackageDigest DigestPackage(platform::File& package);

// A component is fetched to this name beside its final one, and stands at its
// final name only once it has passed its check.
std::string ComponentFetchName(const std::string& target);

// The component fetched to ComponentFetchName(target): held against change,
// checked through that handle (with signed releases, its SHA-256 against the
// manifest's section Files for `serverName`) and moved to `target` through it.
// Anything else deletes the fetched file; false then. `fetched` names the file
// when a job completed it under another name.
bool PlaceComponent(const std::string& target, const std::string& serverName);
bool PlaceComponent(const std::string& target, const std::string& serverName, const std::string& fetched);

}  // namespace app

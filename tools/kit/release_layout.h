// The manifest the kit writes into a server tree laid out as common/ReleaseLayout.h says.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "common/ReleaseLayout.h"

namespace release {

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

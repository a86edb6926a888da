#include "tools/kit/release_layout.h"

namespace release {

std::string ManifestText(const std::string& version, const std::string& packageName, const std::string& crcText,
                         const ManifestHashes* hashes) {
  std::string m = "[Setup]\r\nLargeVer=" + version + "\r\nurl=" + packageName + "\r\ncrc=" + crcText + "\r\n";
  if (!hashes) return m;
  m += "sha256=" + hashes->packageSha256 + "\r\nSerial=" + hashes->serial + "\r\n";
  if (!hashes->validUntil.empty()) m += "ValidUntil=" + hashes->validUntil + "\r\n";
  m += "[Files]\r\n";
  for (const auto& f : hashes->files) m += f.first + "=" + f.second + "\r\n";
  return m;
}

std::string LocalPath(const std::string& serverPath) {
  std::string p = serverPath;
  for (char& c : p) {
    if (c == '/') c = '\\';
  }
  return p;
}

}  // namespace release

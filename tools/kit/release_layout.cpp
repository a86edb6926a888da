#include "tools/kit/release_layout.h"

namespace release {

std::string ManifestText(const std::string& version, const std::string& packageName, const std::string& crcText) {
  return "[Setup]\r\nLargeVer=" + version + "\r\nurl=" + packageName + "\r\ncrc=" + crcText + "\r\n";
}

std::string LocalPath(const std::string& serverPath) {
  std::string p = serverPath;
  for (char& c : p) {
    if (c == '/') c = '\\';
  }
  return p;
}

}  // namespace release

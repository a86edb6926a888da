// The version resource of a Windows program (PE32 or PE32+), read from its
// bytes on any system.
#pragma once
#include <string>
#include <utility>
#include <vector>

struct PeVersion {
  bool isPe = false;      // a PE image at all
  bool found = false;     // it has a version resource
  std::string fileVersion, productVersion;                   // of the fixed part, "1.3.0.0"
  std::vector<std::pair<std::string, std::string>> strings;  // StringFileInfo, UTF-8
};

PeVersion ReadPeVersion(const std::string& image);

// Whether the installer would install a package whole: the same reader, name
// rules and decoder as its unpack, without writing anything.
#pragma once
#include <cstdint>
#include <set>
#include <string>
#include <vector>

struct PackageReport {
  std::vector<std::string> errors;    // each one keeps the installer from installing it whole
  std::vector<std::string> warnings;  // installed, but something the installer relies on is missing
  uint64_t size = 0;
  size_t files = 0;    // file entries
  size_t folders = 0;  // folder entries
  std::set<std::string> installed;  // every file the unpack places, by Holds's key

  // Whether the unpack places a file at `path` below the installation folder
  // ("\\" or "/" between folders, letter case ignored).
  bool Holds(const std::string& path) const;
};

// The largest package the download engine can fetch: its sizes are signed 32-bit.
constexpr uint64_t kMaxPackageSize = 0x7FFFFFFF;

// `path` is a kit path (KitPath).
PackageReport CheckPackage(const std::string& path);

// A fresh folder for one test, named as a Windows path ending in a backslash,
// removed with everything in it afterwards. Natively the Windows drive letters
// map below a private host folder (platform/testing.h); under Wine it is a real
// folder on the prefix's C: drive.
#pragma once
#include <string>

namespace testsupport {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }  // ends in "\"
  std::string operator/(const std::string& rel) const { return path_ + rel; }

 private:
  std::string path_;
};

// Removes a folder tree (read-only files included); false when anything stays.
bool RemoveTree(const std::string& dir);

// Whole-file helpers on Windows paths.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool ReadFileBytes(const std::string& path, std::string* bytes);

}  // namespace testsupport

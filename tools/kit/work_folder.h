// A private folder under the system's temporary folder, removed with
// everything in it when the object goes.
#pragma once
#include <string>

class WorkFolder {
 public:
  explicit WorkFolder(const char* prefix);
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  bool ok() const { return !path_.empty(); }
  const std::string& path() const { return path_; }  // ends in "\"

 private:
  std::string path_;
};

// Removes a folder and everything below it, read-only files included.
void RemoveTree(const std::string& dir);

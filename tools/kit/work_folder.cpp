#include "tools/kit/work_folder.h"

#include <vector>

#include "platform/fs.h"
#include "platform/system.h"

WorkFolder::WorkFolder(const char* prefix) {
  const std::string base = platform::TempFolder() + prefix + std::to_string(platform::TickCount());
  // CreateDir fails on a folder that exists: the folder made is ours alone.
  for (int i = 0; i < 100; ++i) {
    std::string p = base + "-" + std::to_string(i);
    if (platform::CreateDir(p)) {
      path_ = p + "\\";
      return;
    }
  }
}

WorkFolder::~WorkFolder() {
  if (ok()) RemoveTree(path_.substr(0, path_.size() - 1));
}

void RemoveTree(const std::string& dir) {
  std::vector<platform::DirEntry> entries;
  if (platform::ListDir(dir, &entries)) {
    for (const platform::DirEntry& e : entries) {
      const std::string p = dir + "\\" + e.name;
      platform::SetAttributes(p, platform::kAttrNormal);
      if (e.isDir) {
        RemoveTree(p);
      } else {
        platform::RemoveFile(p);
      }
    }
  }
  platform::RemoveDir(dir);
}

#include "common/OldPackages.h"

#include <vector>

#include "common/KpLib.h"
#include "common/TextHelpers.h"
#include "platform/fs.h"
#include "platform/safe_fs.h"

namespace {
bool EndsInZip(const std::string& name) { return name.size() >= 4 && SameText(name.substr(name.size() - 4), ".zip"); }
}  // namespace

void DeleteOldPackages(const std::string& downloads) {
  const std::string dir = StripTrailingBackslash(downloads);
  if (platform::IsLinkedFolder(dir) || !DirExists(dir)) return;
  std::vector<platform::DirEntry> entries;
  if (!platform::ListDir(dir, &entries)) return;
  for (const platform::DirEntry& e : entries) {
    if (e.isDir || e.isLink || !EndsInZip(e.name)) continue;
    const std::string path = dir + "\\" + e.name;
    const uint32_t attrs = platform::GetAttributes(path);
    if (attrs == platform::kInvalidAttributes || (attrs & platform::kAttrReadOnly)) continue;
    platform::RemoveSafely(path);
  }
}

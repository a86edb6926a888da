#include "common/OwnFolders.h"

#include <vector>

#include "common/KpLib.h"
#include "common/TextHelpers.h"
#include "platform/fs.h"
#include "platform/safe_fs.h"
#include "platform/security.h"
#include "platform/thread.h"

namespace {

// "D:\a\b" gives "D:\a", "D:\a\b": every folder below the drive root.
std::vector<std::string> Levels(const std::string& path) {
  std::vector<std::string> out;
  for (std::string p = StripTrailingBackslash(path); p.size() > 3;) {
    out.insert(out.begin(), p);
    const std::string parent = StripTrailingBackslash(FolderPart(p));
    if (parent.empty() || parent.size() >= p.size()) break;
    p = parent;
  }
  return out;
}

platform::Mutex g_claimedLock;
std::vector<std::string> g_claimed;  // as Comparable gives them, each ending in "\\"

// One backslash between names and ASCII letters in lower case, ending in "\\".
std::string Comparable(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '\\' && !out.empty() && out.back() == '\\') continue;
    out += AsciiLower(c);
  }
  if (out.empty() || out.back() != '\\') out += '\\';
  return out;
}

bool HoldsLinkedFolder(const std::string& dir, int depth) {
  std::vector<platform::DirEntry> entries;
  if (depth > 32 || !platform::ListDir(dir, &entries)) return false;
  for (const platform::DirEntry& e : entries) {
    if (!e.isDir) continue;
    if (e.isLink || HoldsLinkedFolder(dir + "\\" + e.name, depth + 1)) return true;
  }
  return false;
}

// A free sibling name for a folder moved aside: "<dir>.old", "<dir>.old2", ...
std::string AsideName(const std::string& dir) {
  for (int i = 1;; ++i) {
    const std::string name = dir + ".old" + (i == 1 ? std::string() : std::to_string(i));
    if (platform::GetAttributes(name) == platform::kInvalidAttributes || i == 100) return name;
  }
}

}  // namespace

void ClaimFolder(const std::string& dir) {
  const std::string c = Comparable(dir);
  platform::LockGuard lock(g_claimedLock);
  for (const std::string& known : g_claimed) {
    if (known == c) return;
  }
  g_claimed.push_back(c);
}

namespace {
// Whether `path` is a claimed folder (`orBelow`: or lies below one).
bool Claimed(const std::string& path, bool orBelow) {
  const std::string c = Comparable(path);
  platform::LockGuard lock(g_claimedLock);
  for (const std::string& root : g_claimed) {
    if (c == root || (orBelow && c.size() > root.size() && c.compare(0, root.size(), root) == 0)) return true;
  }
  return false;
}

void ProtectTree(const std::string& dir, int depth) {
  std::vector<platform::DirEntry> entries;
  if (depth > 32 || !platform::ListDir(dir, &entries)) return;
  for (const platform::DirEntry& e : entries) {
    if (!e.isDir || e.isLink) continue;
    const std::string sub = dir + "\\" + e.name;
    platform::ProtectFolder(sub);
    ProtectTree(sub, depth + 1);
  }
}
}  // namespace

void ProtectIfClaimed(const std::string& path) {
  if (Claimed(path, true)) platform::ProtectFolder(path);
}

void ProtectBelowClaimed(const std::string& dir) {
  const std::string top = StripTrailingBackslash(dir);
  if (Claimed(top, false)) ProtectTree(top, 0);
}

bool MakeOwnFolders(const std::string& path) {
  const std::vector<std::string> levels = Levels(path);
  for (const std::string& level : levels) {
    if (platform::IsLinkedFolder(level)) return false;
  }
  // Only below the deepest folder that exists: a server or share name above is no folder to make.
  size_t first = levels.size();
  while (first > 0 && !DirExists(levels[first - 1])) --first;
  for (size_t i = first; i < levels.size(); ++i) {
    if (!platform::CreateDir(levels[i]) || platform::ProtectFolder(levels[i]) != 0) return false;
  }
  return !levels.empty() && DirExists(levels.back());
}

bool PrepareOwnFolder(const std::string& dir, bool protect, const std::string& sub) {
  const std::string top = StripTrailingBackslash(dir);
  bool made = !DirExists(top);
  if (!MakeOwnFolders(top)) return false;
  // Protected first: nobody else plants anything below it from now on.
  if (protect && platform::ProtectFolder(top) != 0) return false;
  if (HoldsLinkedFolder(top, 0)) {
    // A real folder moves with everything in it; its links' targets stay put.
    if (!platform::RenameFile(top, AsideName(top)) || !MakeOwnFolders(top)) return false;
    made = true;
  }
  if (made || protect) ClaimFolder(top);
  if (sub.empty()) return true;
  const std::string below = top + "\\" + sub;
  return MakeOwnFolders(below) && (!protect || platform::ProtectFolder(below) == 0);
}

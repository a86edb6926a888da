#include "common/KpLib.h"

#include "common/OwnFolders.h"
#include "common/TextHelpers.h"
#include "platform/fs.h"
#include "platform/pump.h"

bool DirExists(const std::string& path) {
  std::string saved = platform::GetCurrentDir();
  bool ok = platform::SetCurrentDir(path);
  if (ok) platform::SetCurrentDir(saved);
  return ok;
}

size_t LastBackslash(const std::string& s) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < s.size(); i += AnsiCharSize(s, i)) {
    if (s[i] == '\\') last = i;  // never a GBK trail byte, which may be 0x5C
  }
  return last;
}

std::string FolderPart(const std::string& path) {
  size_t i = LastBackslash(path);
  return i == std::string::npos ? std::string() : path.substr(0, i + 1);
}

std::string StripTrailingBackslash(const std::string& s) {
  if (!s.empty() && LastBackslash(s) == s.size() - 1) return s.substr(0, s.size() - 1);
  return s;
}

void ForceDirs(const std::string& path) {
  std::string p = StripTrailingBackslash(path);
  if (p.size() <= 2 || DirExists(p)) return;
  std::string parent = FolderPart(p);
  // A path without any backslash has no parent to create first.
  if (!parent.empty() && parent != p) ForceDirs(parent);
  if (platform::CreateDir(p)) ProtectIfClaimed(p);
}

bool PumpMessages() { return platform::PumpWaitingMessages(); }

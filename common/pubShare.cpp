#include "common/pubShare.h"

#include <string>

#include "common/IniFile.h"
#include "common/LogEvents.h"
#include "common/TextHelpers.h"
#include "platform/fs.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/system.h"

namespace {
platform::RegRoot RootOf(int root) {
  switch (root) {
    case kRootCurrentUser: return platform::RegRoot::kCurrentUser;
    case kRootClassesRoot: return platform::RegRoot::kClassesRoot;
    default: return platform::RegRoot::kLocalMachine;
  }
}
}  // namespace

std::string NormalizeDir(const std::string& s) {
  std::string t = TrimText(s);
  if (!t.empty() && t.back() != '\\') t += '\\';
  return t;
}

std::string GetWindowsDir() { return NormalizeDir(platform::WindowsDirectory()); }

std::string PickInstallDrive() {
  const std::string windowsRoot = GetWindowsDir().substr(0, 3);
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    std::string root = std::string(1, letter) + ":\\";
    if (platform::DriveType(root) != platform::kDriveFixed) continue;
    if (SameText(root, windowsRoot)) continue;
    platform::DiskFree f;
    if (!platform::DiskFreeSpace(root, &f)) continue;
    double g = static_cast<double>(f.freeClusters) / 1024 / 1024 / 1024 * f.bytesPerSector * f.sectorsPerCluster;
    if (g >= 1.0) return root;
  }
  return windowsRoot;
}

std::string ReadIniValue(const std::string& section, const std::string& key, const std::string& fileName) {
  if (!platform::FileExists(fileName)) return std::string();
  platform::File f;
  if (f.Open(fileName, platform::OpenMode::kRead, platform::Share::kReadWrite) != 0) return std::string();
  int64_t size = f.Size();
  // Profile files are small; anything past 16 MiB is not one.
  if (size < 0 || size > (16 << 20)) return std::string();
  std::string text(static_cast<size_t>(size), '\0');
  uint32_t got = 0;
  size_t have = 0;
  while (have < text.size()) {
    if (f.Read(&text[have], static_cast<uint32_t>(text.size() - have), &got) != 0) return std::string();
    if (got == 0) break;
    have += got;
  }
  text.resize(have);
  return IniLookup(text, section, key);
}

std::string ReadRegString(const std::string& keyPath, const std::string& valueName, int root) {
  platform::RegValue v;
  if (!platform::RegRead(RootOf(root), keyPath, valueName, &v)) return std::string();
  if (v.type != platform::RegType::kString) return std::string();  // REG_EXPAND_SZ included
  return v.data;
}

void WriteRegString(const std::string& keyPath, const std::string& valueName, const std::string& data, int root) {
  platform::RegValue v;
  v.type = platform::RegType::kString;
  v.data = data;
  LogRegistryWrite(root, keyPath, valueName, data, platform::RegWrite(RootOf(root), keyPath, valueName, v));
}

void RunElevated(void* owner, const std::string& file, const std::string& params) {
  platform::ShellExecuteVerb(owner, "runas", file, params);
}

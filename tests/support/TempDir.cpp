#include "tests/support/TempDir.h"

#include <atomic>
#include <cstdio>
#include <vector>

#include "platform/fs.h"
#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/testing.h"
#endif

namespace testsupport {
namespace {
std::atomic<int> g_counter{0};

#ifndef _WIN32
// One private host folder per process stands for the drives; removed at exit.
char g_hostRoot[] = "/tmp/veltaro-test-XXXXXX";

void EnsureHostRoot() {
  static const bool ready = [] {
    if (!::mkdtemp(g_hostRoot)) std::abort();
    platform::testing::SetRoot(g_hostRoot);
    platform::CreateDir("C:");
    std::atexit([] { std::filesystem::remove_all(g_hostRoot); });
    return true;
  }();
  (void)ready;
}
#endif
}  // namespace

TempDir::TempDir() {
#ifndef _WIN32
  EnsureHostRoot();
#endif
  // A fresh folder each time: under Wine a process id comes again in a later
  // run, and a folder a crashed run left must not be taken for an empty one.
  char name[64];
  do {
    std::snprintf(name, sizeof name, "C:\\vt%d_%d", static_cast<int>(getpid()), g_counter++);
  } while (!platform::CreateDir(name) && platform::GetAttributes(name) != platform::kInvalidAttributes);
  path_ = std::string(name) + "\\";
}

TempDir::~TempDir() { RemoveTree(path_); }

bool RemoveTree(const std::string& dir) {
  std::string d = dir;
  if (d.empty()) return false;
  if (d.back() != '\\') d += '\\';
  std::vector<platform::DirEntry> entries;
  if (!platform::ListDir(d, &entries)) return false;
  bool ok = true;
  for (const auto& e : entries) {
    std::string p = d + e.name;
    if (e.isDir) {
      ok = RemoveTree(p) && ok;
    } else {
      platform::SetAttributes(p, platform::kAttrNormal);
      ok = platform::RemoveFile(p) && ok;
    }
  }
  // A drive root itself stays.
  if (d.size() > 3) ok = platform::RemoveDir(d.substr(0, d.size() - 1)) && ok;
  return ok;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  platform::File f;
  if (f.Open(path, platform::OpenMode::kCreateAlways) != 0) return false;
  return bytes.empty() || f.Write(bytes.data(), static_cast<uint32_t>(bytes.size())) == 0;
}

bool ReadFileBytes(const std::string& path, std::string* bytes) {
  platform::File f;
  if (f.Open(path, platform::OpenMode::kRead) != 0) return false;
  int64_t size = f.Size();
  if (size < 0) return false;
  bytes->assign(static_cast<size_t>(size), '\0');
  uint32_t got = 0;
  return size == 0 || (f.ReadAt(0, &(*bytes)[0], static_cast<uint32_t>(size), &got) == 0 && got == size);
}

}  // namespace testsupport

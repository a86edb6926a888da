#include "platform/safe_fs.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
#include "tests/support/TempDir.h"
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include "platform/testing.h"
#endif

using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {

#ifdef _WIN32
// Wine makes no link through the Windows calls; a link on its unix side is what
// a local user plants, so /bin/ln plants it (Wine starts unix programs).
std::string UnixName(const std::string& path) {
  using Fn = char*(__cdecl*)(const wchar_t*);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  const std::u16string w = platform::AnsiToWide(path);
  char* unix = fn ? fn(reinterpret_cast<const wchar_t*>(w.c_str())) : nullptr;
  std::string out = unix ? unix : "";
  if (unix) ::HeapFree(::GetProcessHeap(), 0, unix);
  return out;
}

// Runs a unix shell line on Windows paths given as %1 and %2. Wine gives no
// handle to wait on for a unix program, nor lists a dangling link: the line
// ends by creating a marker file.
bool Unix(const std::string& line, const std::string& a, const std::string& b) {
  const std::string ua = UnixName(a), ub = UnixName(b), marker = b + ".done";
  if (ua.empty() || ub.empty()) return false;
  std::string script;
  for (char c : line + " && : > \"$2.done\"") script += c == '"' ? std::string("\\\"") : std::string(1, c);
  std::string cmd = "sh -c \"" + script + "\" sh \"" + ua + "\" \"" + ub + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  if (!::CreateProcessA("Z:\\bin\\sh", &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  for (int i = 0; i < 200 && !platform::FileExists(marker); ++i) ::Sleep(50);
  return platform::RemoveFile(marker);
}

bool SymLink(const std::string& target, const std::string& link) { return Unix("ln -sf \"$1\" \"$2\"", target, link); }
bool Unlink(const std::string& link) { return Unix("rm -f \"$2\"", link, link); }

bool HardLink(const std::string& target, const std::string& link) {
  return ::CreateHardLinkA(link.c_str(), target.c_str(), nullptr) != 0;
}
#else
bool SymLink(const std::string& target, const std::string& link) {
  return ::symlink(platform::testing::HostPath(target).c_str(), platform::testing::HostPath(link).c_str()) == 0;
}

bool HardLink(const std::string& target, const std::string& link) {
  return ::link(platform::testing::HostPath(target).c_str(), platform::testing::HostPath(link).c_str()) == 0;
}

bool Unlink(const std::string& link) { return ::unlink(platform::testing::HostPath(link).c_str()) == 0; }
#endif

enum class Planted { kNothing, kFile, kReadOnlyFile, kLink, kReadOnlyLink, kDanglingLink, kHardLink };

}  // namespace

// Whatever stands at the name, the new bytes land there and no other file
// changes; removing the name afterwards leaves every target as it was.
TEST(SafeFiles, WriteAndRemoveReachNoTarget) {
  struct Row {
    const char* what;
    Planted planted;
  };
  const Row rows[] = {
      {"nothing", Planted::kNothing},          {"a plain file", Planted::kFile},
      {"a read-only file", Planted::kReadOnlyFile}, {"a link", Planted::kLink},
      {"a link to a read-only file", Planted::kReadOnlyLink}, {"a dangling link", Planted::kDanglingLink},
      {"a hard link", Planted::kHardLink},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    // Victims live apart: cleaning up the planted folder must not reach them.
    TempDir t, v;
    const std::string name = t / "365.ico", victim = v / "win.ini";
    ASSERT_TRUE(WriteFileBytes(victim, "victim"));
    switch (row.planted) {
      case Planted::kNothing: break;
      case Planted::kFile: ASSERT_TRUE(WriteFileBytes(name, "old")); break;
      case Planted::kReadOnlyFile:
        ASSERT_TRUE(WriteFileBytes(name, "old"));
        ASSERT_TRUE(platform::SetAttributes(name, platform::kAttrReadOnly | platform::kAttrHidden));
        break;
      case Planted::kReadOnlyLink:
        ASSERT_TRUE(platform::SetAttributes(victim, platform::kAttrReadOnly));
        ASSERT_TRUE(SymLink(victim, name));
        break;
      case Planted::kLink: ASSERT_TRUE(SymLink(victim, name)); break;
      case Planted::kDanglingLink: ASSERT_TRUE(SymLink(v / "gone.ini", name)); break;
      case Planted::kHardLink: {
        ASSERT_TRUE(HardLink(victim, name));
        platform::File f;
        uint32_t n = 0;
        ASSERT_EQ(f.Open(name, platform::OpenMode::kRead), 0u);
        ASSERT_EQ(f.LinkCount(&n), 0u);
        EXPECT_EQ(n, 2u) << "a second name is seen";
        break;
      }
    }
    ASSERT_EQ(platform::WriteWholeFile(name, "new"), 0u);
    std::string got;
    ASSERT_TRUE(ReadFileBytes(name, &got));
    EXPECT_EQ(got, "new");
    EXPECT_FALSE(platform::GetAttributes(name) & (platform::kAttrReadOnly | platform::kAttrHidden));
    ASSERT_TRUE(ReadFileBytes(victim, &got));
    EXPECT_EQ(got, "victim");
    EXPECT_FALSE(platform::FileExists(v / "gone.ini")) << "nothing is created through a dangling link";
    EXPECT_EQ(platform::GetAttributes(victim) & platform::kAttrReadOnly,
              row.planted == Planted::kReadOnlyLink ? platform::kAttrReadOnly : 0u);

    // The same for a name that was a link when the removal came.
    if (row.planted != Planted::kNothing && row.planted != Planted::kFile && row.planted != Planted::kReadOnlyFile) {
      ASSERT_EQ(platform::RemoveSafely(name), 0u);
      switch (row.planted) {
        case Planted::kDanglingLink: ASSERT_TRUE(SymLink(v / "gone.ini", name)); break;
        case Planted::kHardLink: ASSERT_TRUE(HardLink(victim, name)); break;
        default: ASSERT_TRUE(SymLink(victim, name)); break;
      }
    }
    EXPECT_EQ(platform::RemoveSafely(name), 0u);
    EXPECT_EQ(platform::GetAttributes(name), platform::kInvalidAttributes);
    ASSERT_TRUE(ReadFileBytes(victim, &got));
    EXPECT_EQ(got, "victim");
    EXPECT_EQ(platform::RemoveSafely(name), 0u) << "nothing there";
    std::vector<platform::DirEntry> left;
    ASSERT_TRUE(platform::ListDir(t.path(), &left));
    EXPECT_TRUE(left.empty()) << "no temp file stays behind";
  }
}

TEST(SafeFiles, FoldersAndNewNames) {
  TempDir t, v;
  const std::u16string wide = platform::AnsiToWide(t / "\xB0\xB2\xD7\xB0.txt");  // 安装.txt
  ASSERT_EQ(platform::WriteWholeFile(wide, "x"), 0u);
  platform::File f;
  std::u16string temp;
  ASSERT_EQ(platform::CreateSiblingTemp(wide, &f, &temp), 0u);
  EXPECT_EQ(temp.compare(0, wide.size(), wide), 0) << "a sibling of the name";
  f.Close();
  ASSERT_EQ(platform::PlaceOver(temp, wide), 0u);
  platform::File placed;
  ASSERT_EQ(placed.Open(wide, platform::OpenMode::kRead), 0u);
  EXPECT_EQ(placed.Size(), 0);
  placed.Close();
  ASSERT_EQ(platform::RemoveSafely(wide), 0u);

  ASSERT_TRUE(SymLink(v / "gone", t / "dangling"));
  EXPECT_EQ(f.CreateNew(t / "dangling"), platform::kErrorFileExists);
  EXPECT_FALSE(platform::FileExists(v / "gone"));
  EXPECT_EQ(platform::RemoveSafely(t / "dangling"), 0u);

  ASSERT_TRUE(platform::CreateDir(t / "dir"));
  ASSERT_TRUE(platform::CreateDir(v / "elsewhere"));
  ASSERT_TRUE(SymLink(v / "elsewhere", t / "linked"));
  EXPECT_FALSE(platform::IsLinkedFolder(t / "dir"));
  EXPECT_TRUE(platform::IsLinkedFolder(t / "linked"));
  EXPECT_FALSE(platform::IsLinkedFolder(t / "missing"));
  EXPECT_NE(platform::WriteWholeFile(t / "dir", "x"), 0u) << "a folder is not replaced";
  EXPECT_NE(platform::RemoveSafely(t / "dir"), 0u);
  EXPECT_NE(platform::RemoveSafely(t / "linked"), 0u);
  EXPECT_EQ(platform::RemoveSafely(t / "missing\\x"), 0u) << "no folder, so nothing there";
  EXPECT_TRUE(Unlink(t / "linked"));
}

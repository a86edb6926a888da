#include <gtest/gtest.h>

#include <string>

#include "common/IniFile.h"
#include "common/KpLib.h"
#include "common/pubShare.h"
#include "platform/fs.h"
#include "platform/registry.h"
#include "tests/support/TempDir.h"
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include "common/OwnFolders.h"
#include "platform/testing.h"
#endif

using testsupport::TempDir;
using testsupport::WriteFileBytes;

TEST(Folders, NormalizeDir) {
  EXPECT_EQ(NormalizeDir(" C:\\WINDOWS "), "C:\\WINDOWS\\");
  EXPECT_EQ(NormalizeDir("C:\\WINDOWS\\"), "C:\\WINDOWS\\");
  EXPECT_EQ(NormalizeDir("\t\r\nC:\\x\x01"), "C:\\x\\");
  EXPECT_EQ(NormalizeDir("   "), "");
  EXPECT_EQ(NormalizeDir(""), "");
}

TEST(Folders, StripTrailingBackslash) {
  EXPECT_EQ(StripTrailingBackslash("D:\\a\\\\"), "D:\\a\\");
  EXPECT_EQ(StripTrailingBackslash("D:\\a"), "D:\\a");
  EXPECT_EQ(StripTrailingBackslash("\\"), "");
  EXPECT_EQ(StripTrailingBackslash(""), "");
  // 0x95 0x5C is one GBK character whose second byte is the backslash's code.
  EXPECT_EQ(StripTrailingBackslash("D:\\\x95\x5C"), "D:\\\x95\x5C");
  EXPECT_EQ(FolderPart("D:\\a\\\x95\x5C" "b"), "D:\\a\\");
}

TEST(Folders, ForceDirsCreatesEveryLevelAndDirExistsRestoresTheCurrentFolder) {
  TempDir t;
  const std::string cwd = platform::GetCurrentDir();
  EXPECT_FALSE(DirExists(t / "a"));
  ForceDirs(t / "a\\b\\c\\");
  EXPECT_TRUE(DirExists(t / "a"));
  EXPECT_TRUE(DirExists(t / "a\\b"));
  EXPECT_TRUE(DirExists(t / "a\\b\\c"));
  EXPECT_EQ(platform::GetCurrentDir(), cwd);
  // Doubled backslashes from concatenation are accepted along the way.
  ForceDirs(t / "x\\\\y");
  EXPECT_TRUE(DirExists(t / "x\\y"));
  // A file in the way: creation fails silently.
  ASSERT_TRUE(WriteFileBytes(t / "f", "1"));
  ForceDirs(t / "f\\g");
  EXPECT_FALSE(DirExists(t / "f\\g"));
  EXPECT_FALSE(DirExists(t / "f"));
  ForceDirs("C:");  // the recursion's end: nothing happens, nothing crashes
}

#ifndef _WIN32
// The installer's folders never lead through a linked folder: one on the way is
// refused, one inside goes aside with the real folder that holds it, and no
// link's target changes. Folders made below a claimed one are protected.
TEST(Folders, OwnFoldersNeverGoThroughALinkedFolder) {
  namespace pt = platform::testing;
  TempDir t, v;
  ASSERT_TRUE(WriteFileBytes(v / "keep.txt", "victim"));
  const auto link = [](const std::string& target, const std::string& at) {
    return ::symlink(pt::HostPath(target).c_str(), pt::HostPath(at).c_str()) == 0;
  };
  ASSERT_TRUE(link(v.path(), t / "Veltaro"));
  EXPECT_FALSE(PrepareOwnFolder(t / "Veltaro\\InstVeltaro\\", true, "Downloads"));
  EXPECT_FALSE(DirExists(v / "InstVeltaro"));

  ASSERT_TRUE(MakeOwnFolders(t / "Own\\InstVeltaro"));
  ASSERT_TRUE(WriteFileBytes(t / "Own\\InstVeltaro\\a.rpc", "r"));
  ASSERT_TRUE(link(v.path(), t / "Own\\InstVeltaro\\Downloads"));
  EXPECT_TRUE(PrepareOwnFolder(t / "Own\\InstVeltaro\\", true, "Downloads"));
  EXPECT_FALSE(platform::IsLink(t / "Own\\InstVeltaro\\Downloads"));
  EXPECT_TRUE(DirExists(t / "Own\\InstVeltaro\\Downloads"));
  EXPECT_TRUE(platform::FileExists(t / "Own\\InstVeltaro.old\\a.rpc"));
  std::string got;
  ASSERT_TRUE(testsupport::ReadFileBytes(v / "keep.txt", &got));
  EXPECT_EQ(got, "victim");

  const mode_t saved = ::umask(0);
  ForceDirs(t / "Own\\InstVeltaro\\App\\sub");
  ForceDirs(t / "Open");
  ::umask(saved);
  struct stat st;
  ASSERT_EQ(::stat(pt::HostPath(t / "Own\\InstVeltaro\\App\\sub").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0755u);
  ASSERT_EQ(::stat(pt::HostPath(t / "Open").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0777u) << "a folder outside the claimed ones keeps what it was given";
}
#endif

TEST(Ini, ProfileSemantics) {
  const std::string text =
      "; comment\r\n"
      "[Other]\r\nurl=wrong.zip\r\n"
      "  [setup]  \r\n"
      "LargeVer=V2.1.0\r\n"
      "  URL  =  Pkg.zip  \r\n"
      "crc=\"352441C2\"\r\n"
      "quoted1='a b'\r\n"
      "half=\"abc\r\n"
      "lone=\"\r\n"
      "mixed=\"abc'\r\n"
      "empty=\r\n"
      "noequals\r\n"
      "url=second.zip\n"
      "[Setup]\nlate=1\n";
  EXPECT_EQ(IniLookup(text, "Setup", "LargeVer"), "V2.1.0");
  EXPECT_EQ(IniLookup(text, "SETUP", "url"), "Pkg.zip") << "first key wins, names without case";
  EXPECT_EQ(IniLookup(text, "Setup", "crc"), "352441C2");
  EXPECT_EQ(IniLookup(text, "Setup", "quoted1"), "a b");
  EXPECT_EQ(IniLookup(text, "Setup", "half"), "\"abc");
  EXPECT_EQ(IniLookup(text, "Setup", "lone"), "\"");
  EXPECT_EQ(IniLookup(text, "Setup", "mixed"), "\"abc'");
  EXPECT_EQ(IniLookup(text, "Setup", "empty"), "");
  EXPECT_EQ(IniLookup(text, "Setup", "missing"), "");
  EXPECT_EQ(IniLookup(text, "Nope", "url"), "");
  EXPECT_EQ(IniLookup(text, "Other", "url"), "wrong.zip");
  EXPECT_EQ(IniLookup(text, "Setup", "late"), "") << "a second section of the same name is not read";
  EXPECT_EQ(IniLookup("[S]\nk=" + std::string(3000, 'x'), "S", "k"), std::string(2047, 'x'));
  EXPECT_EQ(IniLookup("\xEF\xBB\xBF[S]\nk=\xE4\xB8\xAD\n", "S", "k"), "\xD6\xD0") << "UTF-8 file, GBK value";
  EXPECT_EQ(IniLookup("", "S", "k"), "");
  EXPECT_EQ(IniLookup("[S", "S", "k"), "");
}

TEST(Ini, ReadIniValueFromFiles) {
  TempDir t;
  const std::string m = t / "KESMO365.INI";
  EXPECT_EQ(ReadIniValue("Setup", "url", m), "");
  EXPECT_FALSE(platform::FileExists(m)) << "a missing file is never created";
  ASSERT_TRUE(WriteFileBytes(m, "[Setup]\r\nLargeVer=V2.1.0\r\nurl= Pkg.zip \r\ncrc=352441C2\r\n"));
  EXPECT_EQ(ReadIniValue("Setup", "LargeVer", m), "V2.1.0");
  EXPECT_EQ(ReadIniValue("setup", "URL", m), "Pkg.zip");
  EXPECT_EQ(ReadIniValue("Setup", "crc", m), "352441C2");
  EXPECT_EQ(ReadIniValue("Setup", "url", t.path()), "") << "a folder is not a file";
}

TEST(Registry, StringsAndTypes) {
  const std::string key = "Software\\VeltaroTest\\Strings";
  const std::pair<int, platform::RegRoot> roots[] = {{kRootLocalMachine, platform::RegRoot::kLocalMachine},
                                                     {kRootCurrentUser, platform::RegRoot::kCurrentUser},
                                                     {kRootClassesRoot, platform::RegRoot::kClassesRoot}};
  for (const auto& [root, r] : roots) {
    platform::RegRemoveTree(r, "Software\\VeltaroTest");
    EXPECT_EQ(ReadRegString(key, "Path", root), "") << "missing key";
    WriteRegString(key, "Path", "D:\\Veltaro\\Veltaro365.exe", root);
    EXPECT_EQ(ReadRegString(key, "Path", root), "D:\\Veltaro\\Veltaro365.exe");
    EXPECT_EQ(ReadRegString(key, "path", root), "D:\\Veltaro\\Veltaro365.exe") << "names without case";
    EXPECT_EQ(ReadRegString(key, "Other", root), "") << "missing value";
    WriteRegString(key, "", "default text", root);
    EXPECT_EQ(ReadRegString(key, "", root), "default text");
    WriteRegString(key, "Empty", "", root);
    platform::RegValue v;
    ASSERT_TRUE(platform::RegRead(r, key, "Empty", &v));
    EXPECT_EQ(v.type, platform::RegType::kString);
    EXPECT_EQ(v.data, "");
    platform::RegValue dw{platform::RegType::kDword, std::string("\x01\x00\x00\x00", 4)};
    ASSERT_TRUE(platform::RegWrite(r, key, "Number", dw));
    EXPECT_EQ(ReadRegString(key, "Number", root), "") << "a DWORD is not a string";
    ASSERT_TRUE(platform::RegWrite(r, key, "Expand", {platform::RegType::kExpandString, "%TEMP%\\x"}));
    EXPECT_EQ(ReadRegString(key, "Expand", root), "") << "nor is REG_EXPAND_SZ";
    WriteRegString(key, "Chinese", "\xB0\xB2\xD7\xB0", root);  // 安装 in GBK
    EXPECT_EQ(ReadRegString(key, "Chinese", root), "\xB0\xB2\xD7\xB0");
    EXPECT_TRUE(platform::RegRemoveTree(r, "Software\\VeltaroTest"));
    EXPECT_FALSE(platform::RegKeyExists(r, key));
  }
}

#ifndef _WIN32
namespace {
platform::testing::Drive Fixed(uint32_t freeMiB) {
  platform::testing::Drive d;
  d.type = platform::kDriveFixed;
  d.free = {8, 512, freeMiB * 256u, 0xFFFFFFu};  // 4 KiB clusters
  return d;
}
}  // namespace

TEST(Drives, PickInstallDrive) {
  using platform::testing::SetDrive;
  platform::testing::SetWindowsDirectory("C:\\WINDOWS");
  platform::testing::ClearDrives();
  SetDrive('C', Fixed(100000));
  EXPECT_EQ(PickInstallDrive(), "C:\\");
  SetDrive('D', Fixed(500));
  SetDrive('E', Fixed(20 * 1024));
  EXPECT_EQ(PickInstallDrive(), "E:\\");
  SetDrive('D', Fixed(1024));  // exactly 1 GiB is enough
  EXPECT_EQ(PickInstallDrive(), "D:\\");

  platform::testing::ClearDrives();
  SetDrive('C', Fixed(100));
  platform::testing::Drive cd = Fixed(50000), usb = Fixed(50000), net = Fixed(50000), broken = Fixed(50000);
  cd.type = platform::kDriveCdRom;
  usb.type = platform::kDriveRemovable;
  net.type = platform::kDriveRemote;
  broken.freeQueryFails = true;
  SetDrive('D', cd);
  SetDrive('F', usb);
  SetDrive('G', net);
  SetDrive('H', broken);
  EXPECT_EQ(PickInstallDrive(), "C:\\") << "only fixed drives whose free space reads count";
  SetDrive('Z', Fixed(2048));
  EXPECT_EQ(PickInstallDrive(), "Z:\\");

  platform::testing::SetWindowsDirectory("d:\\win\\");
  platform::testing::ClearDrives();
  SetDrive('D', Fixed(50000));
  EXPECT_EQ(PickInstallDrive(), "d:\\") << "the Windows drive is compared without case";
  platform::testing::SetWindowsDirectory("");
  EXPECT_EQ(GetWindowsDir(), "");
  EXPECT_EQ(PickInstallDrive(), "D:\\");
  platform::testing::ClearDrives();
  EXPECT_EQ(PickInstallDrive(), "");
  platform::testing::SetWindowsDirectory("C:\\WINDOWS");
}
#else
TEST(Drives, WineWindowsFolder) {
  EXPECT_EQ(GetWindowsDir(), "C:\\windows\\");
  std::string d = PickInstallDrive();
  ASSERT_EQ(d.size(), 3u);
  EXPECT_EQ(d.substr(1), ":\\");
}
#endif

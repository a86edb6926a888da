#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/fs.h"
#include "platform/localtime.h"
#include "platform/shell.h"
#include "platform/shelllink.h"
#include "tests/support/TempDir.h"

using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

TEST(Files, CreateRenameDeleteAndAttributes) {
  TempDir t;
  const std::string a = t / "a.bin", b = t / "b.bin";
  EXPECT_FALSE(platform::FileExists(a));
  EXPECT_EQ(platform::GetAttributes(a), platform::kInvalidAttributes);
  ASSERT_TRUE(WriteFileBytes(a, "hello"));
  EXPECT_TRUE(platform::FileExists(a));
  EXPECT_FALSE(platform::FileExists(t.path())) << "a folder is not a file";
  EXPECT_TRUE(platform::GetAttributes(t.path()) & platform::kAttrDirectory);

  ASSERT_TRUE(WriteFileBytes(b, "other"));
  EXPECT_FALSE(platform::RenameFile(a, b)) << "rename never replaces";
  ASSERT_TRUE(platform::RemoveFile(b));
  ASSERT_TRUE(platform::RenameFile(a, b));
  std::string got;
  ASSERT_TRUE(ReadFileBytes(b, &got));
  EXPECT_EQ(got, "hello");

  ASSERT_TRUE(platform::SetAttributes(b, platform::kAttrReadOnly));
  EXPECT_TRUE(platform::GetAttributes(b) & platform::kAttrReadOnly);
  platform::File f;
  EXPECT_EQ(f.Open(b, platform::OpenMode::kWrite), platform::kErrorAccessDenied);
  EXPECT_EQ(f.Open(b, platform::OpenMode::kCreateAlways), platform::kErrorAccessDenied);
  EXPECT_FALSE(platform::RemoveFile(b));
  EXPECT_EQ(f.Open(b, platform::OpenMode::kRead), 0u) << "read-only still reads";
  f.Close();
  ASSERT_TRUE(platform::SetAttributes(b, platform::kAttrNormal));
  EXPECT_TRUE(platform::RemoveFile(b));
  EXPECT_FALSE(platform::RemoveFile(b));
  EXPECT_EQ(platform::LastError(), platform::kErrorFileNotFound);

  EXPECT_NE(f.Open(t / "missing\\x", platform::OpenMode::kRead), 0u);
  EXPECT_TRUE(platform::CreateDir(t / "d"));
  EXPECT_FALSE(platform::CreateDir(t / "d"));
  std::vector<platform::DirEntry> entries;
  ASSERT_TRUE(platform::ListDir(t.path(), &entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "d");
  EXPECT_TRUE(entries[0].isDir);
  EXPECT_TRUE(platform::RemoveDir(t / "d"));
}

// Two handles write their own regions of one pre-sized file, as segments do.
TEST(Files, PreSizedFileWithPositionalWrites) {
  TempDir t;
  const std::string p = t / "data.rpc";
  platform::File create;
  ASSERT_EQ(create.Open(p, platform::OpenMode::kCreateAlways), 0u);
  ASSERT_EQ(create.SetLength(20), 0u);
  EXPECT_EQ(create.Size(), 20);
  create.Close();

  platform::File w1, w2;
  ASSERT_EQ(w1.Open(p, platform::OpenMode::kWrite), 0u);
  ASSERT_EQ(w2.Open(p, platform::OpenMode::kWrite), 0u);
  ASSERT_EQ(w2.WriteAt(10, "0123456789", 10), 0u);
  ASSERT_EQ(w1.Seek(0), 0u);
  ASSERT_EQ(w1.Write("abcde", 5), 0u);
  ASSERT_EQ(w1.Write("fghij", 5), 0u);
  EXPECT_EQ(w1.Size(), 20);
  w1.Close();
  w2.Close();

  std::string got;
  ASSERT_TRUE(ReadFileBytes(p, &got));
  EXPECT_EQ(got, "abcdefghij0123456789");

  platform::File r;
  ASSERT_EQ(r.Open(p, platform::OpenMode::kRead), 0u);
  char buf[8];
  uint32_t n = 0;
  ASSERT_EQ(r.ReadAt(16, buf, 8, &n), 0u);
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(std::string(buf, n), "6789");
  ASSERT_EQ(r.Seek(0), 0u);
  ASSERT_EQ(r.Read(buf, 8, &n), 0u);
  EXPECT_EQ(std::string(buf, n), "abcdefgh");
  r.Close();

  platform::File m;
  ASSERT_EQ(m.Open(p, platform::OpenMode::kWrite), 0u);
  // 2025-01-01 12:00:00 in DOS form.
  const uint16_t date = (45 << 9) | (1 << 5) | 1, time = (12 << 11) | (34 << 5) | 28;
  ASSERT_EQ(m.SetDosTime(date, time), 0u);
  uint16_t gotDate = 0, gotTime = 0;
  ASSERT_EQ(m.GetDosTime(&gotDate, &gotTime), 0u);
  EXPECT_EQ(gotDate, date);
  EXPECT_EQ(gotTime, time);
  ASSERT_EQ(m.SetLength(3), 0u);
  m.Close();
  ASSERT_TRUE(ReadFileBytes(p, &got));
  EXPECT_EQ(got, "abc");
}

// What is read through a held file is what stays at its name, until its holder
// moves it over another file.
TEST(Files, AHeldFileIsMovedOnlyByItsHolder) {
  TempDir t;
  // The installer's paths may hold a doubled backslash.
  const std::string fetched = t / "c.exe.tmp", target = t / "\\c.exe", other = t / "x.exe";
  ASSERT_TRUE(WriteFileBytes(fetched, "signed"));
  ASSERT_TRUE(WriteFileBytes(target, "old"));
  ASSERT_TRUE(WriteFileBytes(other, "swapped"));
  platform::File held;
  ASSERT_EQ(held.OpenHeld(fetched, true), 0u);
#ifdef _WIN32
  // Only Windows has share modes; the posix stand-in cannot deny these.
  platform::File w;
  platform::File package;
  ASSERT_EQ(package.OpenHeld(other), 0u);
  EXPECT_NE(w.Open(other, platform::OpenMode::kWrite), 0u);
  EXPECT_EQ(w.Open(other, platform::OpenMode::kRead, platform::Share::kRead), 0u) << "a plain hold admits readers";
  package.Close();
  EXPECT_NE(w.Open(fetched, platform::OpenMode::kWrite), 0u);
  EXPECT_NE(w.Open(fetched, platform::OpenMode::kCreateAlways), 0u);
  EXPECT_FALSE(platform::RemoveFile(fetched));
  EXPECT_FALSE(platform::MoveFileOver(other, fetched));
  EXPECT_FALSE(platform::MoveFileOver(fetched, t / "elsewhere"));
#endif
  ASSERT_EQ(held.MoveHeldTo(target), 0u);
  held.Close();
  std::string got;
  EXPECT_FALSE(platform::FileExists(fetched));
  ASSERT_TRUE(ReadFileBytes(target, &got));
  EXPECT_EQ(got, "signed");
}

TEST(CodePage, GbkAndUtf16) {
  EXPECT_EQ(platform::AnsiCodePage(), 936u);
  const std::string gbk = "\xD6\xD0\xCE\xC4 ok";  // 中文 ok
  const std::u16string wide = u"\u4E2D\u6587 ok";
  EXPECT_EQ(platform::AnsiToWide(gbk), wide);
  EXPECT_EQ(platform::WideToAnsi(wide), gbk);
  EXPECT_EQ(platform::OemToWide(gbk), wide);
  EXPECT_EQ(platform::OemTextToAnsi(gbk), gbk);
  EXPECT_EQ(platform::Utf8ToWide("\xE4\xB8\xAD\xE6\x96\x87 ok"), wide);
  EXPECT_EQ(platform::WideToUtf8(wide), "\xE4\xB8\xAD\xE6\x96\x87 ok");
  EXPECT_EQ(platform::WideToUtf8(platform::Utf8ToWide("\xF0\x9F\x98\x80")), "\xF0\x9F\x98\x80");
  EXPECT_EQ(platform::Utf8ToWide("a\xC0\xAF" "b"), u"a\uFFFD\uFFFDb") << "overlong forms are not decoded";
  EXPECT_TRUE(platform::IsAnsiLeadByte(0xD6));
  EXPECT_FALSE(platform::IsAnsiLeadByte('A'));
  EXPECT_FALSE(platform::IsAnsiLeadByte(0x80));
  EXPECT_EQ(platform::AnsiToWide(""), u"");
}

TEST(Files, GbkNamesRoundTrip) {
  TempDir t;
  // 安装\\说明.txt with a GBK character whose second byte is 0x5C in the file name.
  const std::string folder = t / "\xB0\xB2\xD7\xB0";
  ASSERT_TRUE(platform::CreateDir(folder));
  const std::string file = folder + "\\\x95\x5C.txt";
  ASSERT_TRUE(WriteFileBytes(file, "x"));
  EXPECT_TRUE(platform::FileExists(file));
  std::vector<platform::DirEntry> entries;
  ASSERT_TRUE(platform::ListDir(folder, &entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "\x95\x5C.txt");
}

#ifdef _WIN32
// The shell's link object for real: a GBK file name survives the UTF-16 save,
// and the file carries the link header and class.
TEST(Shell, LinkSavedThroughTheShellObject) {
  TempDir t;
  platform::ShellLink link;
  ASSERT_TRUE(link.Ok()) << link.Error();
  link.SetPath("C:\\windows\\notepad.exe");
  link.SetWorkingDirectory("C:\\windows\\");
  link.SetDescription("Tesmar");
  const std::string path = t / "\xBF\xEC\xBD\xDD.lnk";  // 快捷.lnk
  ASSERT_TRUE(link.Save(path));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(path, &bytes));
  ASSERT_GE(bytes.size(), 20u);
  EXPECT_EQ(bytes.substr(0, 20), std::string("\x4C\0\0\0\x01\x14\x02\0\0\0\0\0\xC0\0\0\0\0\0\0\x46", 20));
  EXPECT_NE(bytes.find("notepad.exe"), std::string::npos);

  EXPECT_FALSE(platform::DesktopFolder().empty());
  EXPECT_EQ(platform::TimeSeparator(), ":");
}
#endif

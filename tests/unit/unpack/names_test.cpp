#include <gtest/gtest.h>

#include <string>

#include "unpack/SafeNames.h"
#include "unpack/Utf8Name.h"
#include "unpack/ZipEntry.h"

TEST(Utf8Name, DecodesByTheUnpackRules) {
  std::u16string w;
  ASSERT_TRUE(DecodeUtf8Name("a\xC3\xA9\xE4\xB8\xAD", &w));
  EXPECT_EQ(w, u"a\u00E9\u4E2D");
  // A lead byte from 0xF0 up still starts three bytes: the fourth is left
  // alone as the start of a sequence that is cut short.
  EXPECT_FALSE(DecodeUtf8Name("\xF0\x9F\x98\x80", &w));
  EXPECT_FALSE(DecodeUtf8Name("\xE4\xB8", &w));      // cut short
  EXPECT_FALSE(DecodeUtf8Name("\xC3" "A", &w));      // continuation out of range
  EXPECT_FALSE(DecodeUtf8Name("\xD6\xD0\xCE\xC4", &w));  // GBK text
}

TEST(ZipEntryName, FolderAndFileParts) {
  ZipEntry e;
  SetEntryName(&e, "a/b\\c.txt", false);
  EXPECT_EQ(e.folderPart, "a\\b\\");
  EXPECT_EQ(e.filePart, "c.txt");
  SetEntryName(&e, "dir/", false);
  EXPECT_EQ(e.folderPart, "dir\\");
  EXPECT_TRUE(e.IsFolder());
  SetEntryName(&e, "C:x.exe", false);
  EXPECT_EQ(e.folderPart, "C:");
  EXPECT_EQ(e.filePart, "x.exe");
  // UTF-8 bytes are never mistaken for double-byte characters...
  SetEntryName(&e, "\xE4\xB8\xAD/x", false);
  EXPECT_EQ(e.folderPart, "\xE4\xB8\xAD\\");
  // ...while in a GBK name 0x95 0x5C is one character, not a separator.
  SetEntryName(&e, "d/\x95\x5Cx.txt", true);
  EXPECT_EQ(e.folderPart, "d\\");
  EXPECT_EQ(e.filePart, "\x95\x5Cx.txt");
}

TEST(ZipEntryName, DosDateAndTimeAreClamped) {
  uint16_t date = (41 << 9) | (15 << 5) | 0, time = 0xFFFF;  // month 15, day 0, 31:63:62
  ClampDosDateTime(&date, &time);
  EXPECT_EQ(date, (41 << 9) | (12 << 5) | 1);
  EXPECT_EQ(time, (23 << 11) | (59 << 5) | 29);
}

TEST(SafeNames, NothingLeavesTheDestination) {
  for (const char* bad : {"..", "a\\..\\b\\", "x/../", ". .", "...\\", "a:..\\", "CON", "con.txt", "Lpt1 .x", "a\x01"})
    EXPECT_FALSE(IsSafePathPart(bad)) << bad;
  for (const char* ok : {"", "a.b", "..a", "a..", "x\\y\\", "\\abs\\", "CONSOLE", "COM0", "\xD6\xD0\\"})
    EXPECT_TRUE(IsSafePathPart(ok)) << ok;
  EXPECT_TRUE(IsPlainFileName("\xD6\xD0\x95\x5C.txt"));
  for (const char* bad : {"", "a\\b", "a/b", "c:x", "a?b", "..", "nul"}) EXPECT_FALSE(IsPlainFileName(bad)) << bad;
}

// The installer takes any name that stays one part of the path and the URL;
// publish writes only names that need no escaping anywhere.
TEST(SafeNames, PackageNamesTheInstallerTakesAndThosePublishWrites) {
  const auto taken = PackageNameRule::kInstallerTakes, written = PackageNameRule::kPublishWrites;
  for (const char* name : {"Pkg-2.1_(x)+y~!@.zip", "..zip"}) {
    EXPECT_TRUE(IsBarePackageName(name, taken) && IsBarePackageName(name, written)) << name;
  }
  for (const char* name : {"Veltaro 365 V2.zip", "a#b.zip", "a?b.zip", "100%.zip", "\xD6\xD0.zip", "CON.zip", "..."}) {
    EXPECT_TRUE(IsBarePackageName(name, taken) && !IsBarePackageName(name, written)) << name;
  }
  for (const char* name : {"", ".", "..", "a\\b.zip", "\xD6\x5C.zip", "a/b", "C:x", "a\"b", "tab\t"}) {
    EXPECT_FALSE(IsBarePackageName(name, taken) || IsBarePackageName(name, written)) << name;
  }
}

// The package unpack on archives made by zip, bsdtar and Python's zipfile.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "ZipFixtures.h"
#include "common/KpLib.h"
#include "platform/codepage.h"
#include "platform/fs.h"
#include "tests/support/TempDir.h"
#include "unpack/PubZip.h"

using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {
std::string Fixture(const char* name) { return std::string(ZIP_FIXTURE_DIR) + name; }

std::string Content(const std::string& path) {
  std::string s;
  return ReadFileBytes(path, &s) ? s : "<missing>";
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  while (n-- > 0) out += s;
  return out;
}

// GBK form of UTF-8 source text.
std::string Ansi(const char* utf8) { return platform::WideToAnsi(platform::Utf8ToWide(utf8)); }

// Every file and folder below dir, folders ending in "\", sorted.
void Walk(const std::string& dir, const std::string& rel, std::vector<std::string>* out) {
  std::vector<platform::DirEntry> entries;
  platform::ListDir(dir + rel, &entries);
  for (const auto& e : entries) {
    out->push_back(rel + e.name + (e.isDir ? "\\" : ""));
    if (e.isDir) Walk(dir, rel + e.name + "\\", out);
  }
}
std::vector<std::string> Tree(const std::string& dir) {
  std::vector<std::string> out;
  Walk(dir, "", &out);
  std::sort(out.begin(), out.end());
  return out;
}
}  // namespace

TEST(UnpackPackage, RecreatesTheTreeOfStoredAndDeflatedMembers) {
  std::string raw, numbers;
  for (int i = 0; i < 1200; ++i)
    for (int b = 0; b < 256; ++b) raw += static_cast<char>(b);
  for (int i = 0; i < 40000; ++i) numbers += std::to_string(i) + "\n";
  const std::vector<std::string> expected = {"bin\\", "bin\\deep\\", "bin\\deep\\text.txt", "bin\\raw.bin",
                                             "empty.txt", "readme.txt", "void\\"};
  for (const char* fixture : {"tree.zip", "tree-bsdtar.zip"}) {
    TempDir t;
    // With and without a trailing backslash the result is the same.
    for (const std::string& dest : {t / "a", t / "b\\"}) {
      ASSERT_TRUE(UnpackPackage(Fixture(fixture), dest)) << fixture;
      const std::string d = StripTrailingBackslash(dest) + "\\";
      EXPECT_EQ(Tree(d), expected) << fixture;
      EXPECT_EQ(Content(d + "readme.txt"), Repeat("hello package\n", 50));
      EXPECT_EQ(Content(d + "bin\\raw.bin"), raw);
      EXPECT_EQ(Content(d + "bin\\deep\\text.txt"), numbers);
      EXPECT_EQ(Content(d + "empty.txt"), "");
    }
  }
}

TEST(UnpackPackage, ReplacesFilesButNotReadOnlyOnes) {
  TempDir t;
  ASSERT_TRUE(WriteFileBytes(t / "readme.txt", "old"));
  ASSERT_TRUE(WriteFileBytes(t / "empty.txt", "keep"));
  ASSERT_TRUE(platform::SetAttributes(t / "empty.txt", platform::kAttrReadOnly));
  // The rest is extracted, but an install with an old file left in it failed.
  EXPECT_FALSE(UnpackPackage(Fixture("tree.zip"), t.path()));
  EXPECT_EQ(Content(t / "readme.txt"), Repeat("hello package\n", 50));
  EXPECT_TRUE(platform::FileExists(t / "bin\\raw.bin"));
  EXPECT_EQ(Content(t / "empty.txt"), "keep");
  // The only member blocked: nothing counted, so the result is false.
  ASSERT_TRUE(WriteFileBytes(t / "c.txt", "mine"));
  ASSERT_TRUE(platform::SetAttributes(t / "c.txt", platform::kAttrReadOnly));
  EXPECT_FALSE(UnpackPackage(Fixture("comment.zip"), t.path()));
  EXPECT_EQ(Content(t / "c.txt"), "mine");
}

TEST(UnpackPackage, WhatCountsAsAnArchive) {
  TempDir t;
  EXPECT_TRUE(UnpackPackage(Fixture("folders.zip"), t / "f"));  // folders count
  EXPECT_TRUE(DirExists(t / "f\\a\\b"));
  EXPECT_TRUE(DirExists(t / "f\\c"));
  // Folder entries that cannot be created (files in their way) count for nothing.
  ASSERT_TRUE(platform::CreateDir(t / "g"));
  ASSERT_TRUE(WriteFileBytes(t / "g\\a", "file") && WriteFileBytes(t / "g\\c", "file"));
  EXPECT_FALSE(UnpackPackage(Fixture("folders.zip"), t / "g"));
  EXPECT_TRUE(UnpackPackage(Fixture("comment.zip"), t / "c"));  // found behind a 65535-byte comment
  EXPECT_EQ(Content(t / "c\\c.txt"), "comment follows");
  EXPECT_TRUE(UnpackPackage(Fixture("zip64.zip"), t / "z"));  // ZIP64 end records
  EXPECT_EQ(Content(t / "z\\secret.txt"), "secret");
  EXPECT_TRUE(UnpackPackage(Fixture("emptydeflate.zip"), t / "e"));  // deflated, zero bytes
  EXPECT_EQ(Content(t / "e\\nothing.txt"), "");
  for (const char* name : {"empty.zip", "notzip.zip", "truncated.zip", "bigcd.zip", "missing.zip", "encrypted.zip"})
    EXPECT_FALSE(UnpackPackage(Fixture(name), t / "x")) << name;
  EXPECT_FALSE(UnpackPackage(Fixture("comment.zip"), "\\"));  // no destination at all
  EXPECT_FALSE(platform::FileExists(t / "x\\secret.txt"));
}

#ifndef _WIN32
// A drive that fills up, natively: a limit on the size of files this process
// writes (SIGXFSZ ignored, so the call fails instead of ending the process).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit small = saved_;
    small.rlim_cur = std::min(bytes, saved_.rlim_max);
    ok_ = setrlimit(RLIMIT_FSIZE, &small) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, handler_);
  }
  bool ok() const { return ok_; }

 private:
  void (*handler_)(int);
  rlimit saved_{};
  bool ok_ = false;
};

TEST(UnpackPackage, AFileThatCannotBeSizedFailsTheUnpack) {
  TempDir t;
  bool ok = true;
  {
    FileSizeLimit limit(64 * 1024);  // below raw.bin (300 KiB) and text.txt (229 KiB)
    ASSERT_TRUE(limit.ok());
    ok = UnpackPackage(Fixture("tree.zip"), t.path());
  }
  EXPECT_FALSE(ok);
  EXPECT_FALSE(platform::FileExists(t / "bin\\raw.bin"));
  EXPECT_FALSE(platform::FileExists(t / "bin\\deep\\text.txt"));
  EXPECT_EQ(Content(t / "readme.txt"), Repeat("hello package\n", 50));  // the entries that fit are out
}
#endif

TEST(UnpackPackage, DamagedMembersAreDroppedAndTheRestExtracted) {
  TempDir t;
  ASSERT_TRUE(WriteFileBytes(t / "bad.txt", "old"));
  EXPECT_TRUE(UnpackPackage(Fixture("badcrc.zip"), t.path()));
  EXPECT_EQ(Content(t / "good1.txt"), Repeat("good1.txt", 20));
  EXPECT_EQ(Content(t / "good2.txt"), Repeat("good2.txt", 20));
  EXPECT_FALSE(platform::FileExists(t / "bad.txt"));
  // A local header past the end, a stream longer than declared.
  for (const char* name : {"badlocal.zip", "longer.zip"}) {
    TempDir u;
    EXPECT_TRUE(UnpackPackage(Fixture(name), u.path())) << name;
    EXPECT_FALSE(platform::FileExists(u / "first.txt")) << name;
    EXPECT_EQ(Content(u / "second.txt"), "second member") << name;
  }
}

TEST(UnpackPackage, Utf8AndGbkNames) {
  TempDir t;
  EXPECT_TRUE(UnpackPackage(Fixture("utf8.zip"), t.path()));
  // Top level: renamed to the decoded name. In a folder: the folder decoded,
  // the file keeps its stored bytes.
  EXPECT_EQ(Content(t / Ansi("中文.txt")), "top");
  EXPECT_FALSE(platform::FileExists(t / "中文.txt"));
  EXPECT_EQ(Content(t / (Ansi("目录") + "\\中文.txt")), "inside");
  EXPECT_EQ(Content(t / "plain.txt"), "ascii");
  // An update replaces the file an earlier install left under the decoded name.
  ASSERT_TRUE(WriteFileBytes(t / Ansi("中文.txt"), "old"));
  EXPECT_TRUE(UnpackPackage(Fixture("utf8.zip"), t.path()));
  EXPECT_EQ(Content(t / Ansi("中文.txt")), "top");
  EXPECT_FALSE(platform::FileExists(t / "中文.txt"));
  TempDir both;
  EXPECT_TRUE(UnpackPackage(Fixture("twonames.zip"), both.path()));
  EXPECT_EQ(Content(both / Ansi("中文.txt")), "gbk");
  // A folder whose name is not UTF-8 decodes to nothing: its file lands in the destination.
  TempDir g;
  EXPECT_TRUE(UnpackPackage(Fixture("gbkfolder.zip"), g.path()));
  EXPECT_EQ(Content(g / "g.txt"), "gbk folder");
}

TEST(UnpackPackage, NamesFromAnMsDosHostAreTakenAsStored) {
  // The OEM and ANSI pages are one: an MS-DOS host's UTF-8 names unpack as a
  // Unix host's do, folders included.
  std::vector<std::string> expected = {Ansi("中") + "\\", Ansi("中") + "\\a.txt", Ansi("中文.txt"),
                                       Ansi("文件夹") + "\\", Ansi("文件夹") + "\\b.txt", "plain.txt"};
  std::sort(expected.begin(), expected.end());
  TempDir dos, unix;
  EXPECT_TRUE(UnpackPackage(Fixture("utf8dos.zip"), dos.path()));
  EXPECT_TRUE(UnpackPackage(Fixture("utf8unix.zip"), unix.path()));
  EXPECT_EQ(Tree(dos.path()), expected);
  EXPECT_EQ(Tree(unix.path()), expected);
  EXPECT_EQ(Content(dos / Ansi("中文.txt")), "top");
  EXPECT_EQ(Content(dos / (Ansi("中") + "\\a.txt")), "a");
  EXPECT_EQ(Content(dos / (Ansi("文件夹") + "\\b.txt")), "b");
}

TEST(UnpackPackage, ALetterTheCodePageLacksKeepsItsStoredName) {
  // "À" has no GBK form: its rename fails and "à.txt" stays the small letter's.
  TempDir t;
  EXPECT_TRUE(UnpackPackage(Fixture("accents.zip"), t.path()));
  EXPECT_EQ(Content(t / Ansi("à.txt")), "small");
  EXPECT_EQ(Content(t / "À.txt"), "capital");
  EXPECT_EQ(Tree(t.path()).size(), 2u);
}

TEST(UnpackPackage, NothingIsWrittenOutsideTheDestination) {
  TempDir t;
  EXPECT_TRUE(UnpackPackage(Fixture("hostile.zip"), t / "d"));
  const std::vector<std::string> expected = {"d\\",         "d\\abs2\\",  "d\\abs2\\y.txt", "d\\abs\\",
                                             "d\\abs\\x.txt", "d\\drive\\", "d\\drive\\d.txt", "d\\evil.txt",
                                             "d\\ok.txt"};
  EXPECT_EQ(Tree(t.path()), expected);
  EXPECT_EQ(Content(t / "d\\evil.txt"), "C:evil.txt");
}

TEST(UnpackPackage, AttributesAndTimes) {
  TempDir t;
  EXPECT_TRUE(UnpackPackage(Fixture("attrs.zip"), t.path()));
  EXPECT_NE(platform::GetAttributes(t / "ro.txt") & platform::kAttrReadOnly, 0u);
  EXPECT_EQ(platform::GetAttributes(t / "late.txt") & platform::kAttrReadOnly, 0u);
  struct {
    const char* name;
    uint16_t date, time;
  } cases[] = {{"ro.txt", (40 << 9) | (2 << 5) | 29, (13 << 11) | (37 << 5) | 29},
               {"late.txt", (41 << 9) | (12 << 5) | 1, (23 << 11) | (59 << 5) | 29}};  // clamped
  for (const auto& c : cases) {
    platform::File f;
    ASSERT_EQ(f.Open(t / c.name, platform::OpenMode::kRead), 0u);
    uint16_t date = 0, time = 0;
    ASSERT_EQ(f.GetDosTime(&date, &time), 0u);
    EXPECT_EQ(date, c.date) << c.name;
    EXPECT_EQ(time, c.time) << c.name;
  }
}

// The package unpack on archives made by zip, bsdtar and Python's zipfile.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>

#include "platform/testing.h"
#endif

#include "ZipFixtures.h"
#include "common/KpLib.h"
#include "platform/codepage.h"
#include "platform/fs.h"
#include "platform/wide_fs.h"
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

std::string Backslashed(std::string s) {
  std::replace(s.begin(), s.end(), '/', '\\');
  return s;
}

// The same below a folder (ending in "\\") by UTF-16 names, as UTF-8 paths with "/".
void WalkWide(const std::u16string& dir, const std::u16string& rel, std::vector<std::string>* out) {
  std::vector<platform::WideDirEntry> entries;
  platform::ListDir(dir + rel, &entries);
  for (const auto& e : entries) {
    std::string path = platform::WideToUtf8(rel + e.name) + (e.isDir ? "/" : "");
    std::replace(path.begin(), path.end(), '\\', '/');
    out->push_back(path);
    if (e.isDir) WalkWide(dir, rel + e.name + u"\\", out);
  }
}

std::string ContentWide(const std::u16string& path) {
  platform::File f;
  if (f.Open(path, platform::OpenMode::kRead) != 0) return "<missing>";
  std::string s;
  char buf[4096];
  uint32_t got = 0;
  while (f.Read(buf, sizeof buf, &got) == 0 && got > 0) s.append(buf, got);
  return s;
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

// A file in the way is replaced whatever its attributes (an earlier release's
// read-only file, a desktop.ini); only one in use keeps the unpack from
// finishing, and says so. Posix has no share modes: the held row is Windows's.
TEST(UnpackPackage, FilesInTheWayAreReplacedUnlessInUse) {
  using platform::kAttrHidden;
  using platform::kAttrReadOnly;
  using platform::kAttrSystem;
  const struct {
    const char* what;
    uint32_t attrs;
    bool held;
  } rows[] = {{"read-only", kAttrReadOnly, false},
              {"hidden", kAttrHidden, false},
              {"system", kAttrSystem, false},
              {"all three", kAttrReadOnly | kAttrHidden | kAttrSystem, false},
#ifdef _WIN32
              {"held open", 0, true},
#endif
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    TempDir t;
    ASSERT_TRUE(WriteFileBytes(t / "readme.txt", "old"));
    if (r.attrs) {
      ASSERT_TRUE(platform::SetAttributes(t / "readme.txt", r.attrs));
    }
    platform::File holder;
    if (r.held) {
      ASSERT_EQ(holder.OpenHeld(t / "readme.txt"), 0u);
    }
    EXPECT_EQ(UnpackPackage(Fixture("tree.zip"), t.path()), !r.held);
    holder.Close();
    EXPECT_EQ(Content(t / "readme.txt"), r.held ? "old" : Repeat("hello package\n", 50));
    EXPECT_EQ(Content(t / "bin\\raw.bin").size(), 1200u * 256) << "the rest is out";
    if (!r.held) {
      EXPECT_EQ(platform::GetAttributes(t / "readme.txt") & (kAttrReadOnly | kAttrHidden | kAttrSystem), 0u);
    }
    std::vector<std::string> left = Tree(t.path());
    EXPECT_EQ(left.size(), 7u) << "no temporary file stays";
  }
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

// Every name as its maker meant it (tests/support/package_names.py), top level
// or nested, UTF-8 with or without the flag, GBK, whatever this system's code
// page; an update over it replaces each file, a read-only one too.
TEST(UnpackPackage, NamesAreInstalledAsMeant) {
  std::string listing;
  ASSERT_TRUE(ReadFileBytes(Fixture("names.expected"), &listing));
  std::vector<std::string> expected;
  for (size_t start = 0, end; (end = listing.find('\n', start)) != std::string::npos; start = end + 1)
    expected.push_back(listing.substr(start, end - start));
  std::sort(expected.begin(), expected.end());
  TempDir t;
  const std::u16string dest = platform::WidePath(t.path());
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    EXPECT_TRUE(UnpackPackage(Fixture("names.zip"), t.path()));
    std::vector<std::string> tree;
    WalkWide(dest, u"", &tree);
    std::sort(tree.begin(), tree.end());
    EXPECT_EQ(tree, expected);
    for (const std::string& p : expected) {
      if (p.back() == '/') continue;
      EXPECT_EQ(ContentWide(dest + platform::Utf8ToWide(Backslashed(p))), Repeat(p + "\r\n", 3)) << p;
    }
    const std::u16string manual = dest + u"\u6587\u6863\\\u7528\u6237\u624b\u518c.txt";  // 文档\用户手册.txt
    platform::File old;
    ASSERT_EQ(old.Open(manual, platform::OpenMode::kCreateAlways), 0u);
    ASSERT_EQ(old.Write("old", 3), 0u);
    old.Close();
    ASSERT_TRUE(platform::SetAttributes(manual, platform::kAttrReadOnly));
  }
}

#ifndef _WIN32
// A folder of the package that stands in the destination as a link to another
// folder: nothing is written through it, and the unpack fails.
TEST(UnpackPackage, AFolderLinkInTheDestinationIsNeverWrittenThrough) {
  TempDir t;
  ASSERT_TRUE(platform::CreateDir(t / "outside"));
  ASSERT_TRUE(WriteFileBytes(t / "outside\\raw.bin", "victim"));
  ASSERT_TRUE(platform::CreateDir(t / "d"));
  ASSERT_EQ(::symlink(platform::testing::HostPath(t / "outside").c_str(),
                      platform::testing::HostPath(t / "d\\bin").c_str()),
            0);
  EXPECT_FALSE(UnpackPackage(Fixture("tree.zip"), t / "d"));
  EXPECT_EQ(Content(t / "outside\\raw.bin"), "victim");
  EXPECT_EQ(Tree(t / "outside\\"), std::vector<std::string>{"raw.bin"});
  EXPECT_EQ(Content(t / "d\\readme.txt"), Repeat("hello package\n", 50)) << "the rest is out";
}
#endif

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

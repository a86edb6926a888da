// The reader's checks and the caller's hook.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ZipFixtures.h"
#include "platform/dialog.h"
#include "platform/fs.h"
#include "tests/support/TempDir.h"
#include "unpack/EntryData.h"
#include "unpack/PubZip.h"
#include "unpack/ZipReader.h"
#ifndef _WIN32
#include "platform/testing.h"
#endif

using testsupport::TempDir;

namespace {
std::string Fixture(const char* name) { return std::string(ZIP_FIXTURE_DIR) + name; }
}  // namespace

TEST(ZipReader, ReadsTheCentralDirectoryInStoredOrder) {
  TZipReader zip;
  ASSERT_TRUE(zip.Open(Fixture("badcrc.zip")));
  ASSERT_EQ(zip.Entries().size(), 3u);
  EXPECT_EQ(zip.Entries()[0].filePart, "good1.txt");
  EXPECT_EQ(zip.Entries()[1].filePart, "bad.txt");
  EXPECT_EQ(zip.Entries()[2].filePart, "good2.txt");
  uint64_t offset = 0;
  ASSERT_TRUE(zip.DataOffset(zip.Entries()[1], &offset));
  const unsigned char* p = zip.View(offset, 7);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p), 7), "bad.txt");
  EXPECT_EQ(zip.View(zip.Size() - 1, 2), nullptr);  // past the end
  TZipReader empty;
  EXPECT_TRUE(empty.Open(Fixture("empty.zip")));
  EXPECT_TRUE(empty.Entries().empty());
}

TEST(ZipReader, InflateStopsAtTheDeclaredSize) {
  TZipReader zip;
  ASSERT_TRUE(zip.Open(Fixture("longer.zip")));
  const ZipEntry& e = zip.Entries()[0];
  uint64_t offset = 0;
  ASSERT_TRUE(zip.DataOffset(e, &offset));
  TempDir t;
  platform::File out;
  ASSERT_EQ(out.Open(t / "out", platform::OpenMode::kCreateAlways), 0u);
  TEntryDecoder decoder;
  int blocks = 0;
  EXPECT_EQ(decoder.Write(zip, e, offset, out, [&](uint64_t) { ++blocks; }), DataResult::kBad);
  EXPECT_LE(out.Size(), static_cast<int64_t>(e.uncompressedSize));
  EXPECT_GE(blocks, 1);
  // The same decoder serves the next entry.
  ASSERT_TRUE(zip.DataOffset(zip.Entries()[1], &offset));
  ASSERT_EQ(out.Open(t / "second", platform::OpenMode::kCreateAlways), 0u);
  EXPECT_EQ(decoder.Write(zip, zip.Entries()[1], offset, out, [](uint64_t) {}), DataResult::kOk);
  EXPECT_EQ(out.Size(), 13);
}

TEST(UnpackPackage, CallsTheHookBeforeEachEntryAndBlock) {
  TempDir t;
  std::vector<UnpackProgress> calls;
  ASSERT_TRUE(UnpackPackage(Fixture("tree.zip"), t.path(), [&](const UnpackProgress& p) { calls.push_back(p); }));
  ASSERT_FALSE(calls.empty());
  const size_t entries = calls[0].entries;
  EXPECT_EQ(entries, 7u);
  // One call per entry, and more for the blocks of the 300 KiB stored member.
  EXPECT_GT(calls.size(), entries + 1);
  for (size_t i = 1; i < calls.size(); ++i) {
    EXPECT_GE(calls[i].entry, calls[i - 1].entry);
    EXPECT_GE(calls[i].bytesDone, calls[i - 1].bytesDone);
    EXPECT_LE(calls[i].bytesDone, calls[i].bytesTotal);
  }
  EXPECT_EQ(calls.back().entry, entries - 1);
}

#ifndef _WIN32
TEST(UnpackPackage, PumpsTheWindowsMessagesByDefault) {
  // The pump reports a quit every time: it stays posted and the unpack goes on.
  int pumps = 0;
  platform::testing::SetMessagePump([&] { return ++pumps > 0; });
  TempDir t;
  const bool ok = UnpackPackage(Fixture("tree.zip"), t.path());
  platform::testing::SetMessagePump(nullptr);
  EXPECT_TRUE(ok);
  EXPECT_GT(pumps, 7);  // before each of the 7 entries and each block
  EXPECT_TRUE(platform::FileExists(t / "bin\\deep\\text.txt"));
}

// The unpack shows no box (natively one would be recorded): the hook hears of
// the entry once, at the entry, and the result counts it.
TEST(UnpackPackage, UnknownMethodIsReportedAndTheEntryFails) {
  platform::testing::TakeMessageBoxes();
  TempDir t;
  std::vector<size_t> told;
  ExtractResult r;
  EXPECT_TRUE(UnpackPackage(Fixture("method.zip"), t.path(), [&](const UnpackProgress& p) {
    if (p.unknownMethod) told.push_back(p.entry);
  }, &r));
  EXPECT_TRUE(platform::testing::TakeMessageBoxes().empty());
  EXPECT_EQ(told, std::vector<size_t>{1});
  EXPECT_EQ(r.unknownMethods, 1);
  EXPECT_EQ(r.counted, (std::vector<bool>{true, false}));
  EXPECT_TRUE(platform::FileExists(t / "first.txt"));
  EXPECT_FALSE(platform::FileExists(t / "second.txt"));
  // A file of an earlier install under the entry's name is left as it was.
  TempDir u;
  ASSERT_TRUE(testsupport::WriteFileBytes(u / "second.txt", "old"));
  EXPECT_TRUE(UnpackPackage(Fixture("method.zip"), u.path()));
  std::string kept;
  EXPECT_TRUE(testsupport::ReadFileBytes(u / "second.txt", &kept) && kept == "old");
  platform::testing::TakeMessageBoxes();
}
#endif

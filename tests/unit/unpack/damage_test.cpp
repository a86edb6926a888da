// Damaged and hostile archives, one row each: what the reader's structure checks
// and the extraction's failure paths must make of them.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ZipFixtures.h"
#include "platform/fs.h"
#include "tests/support/TempDir.h"
#include "unpack/PubZip.h"

using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {
std::string Fixture(const char* name) {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(std::string(ZIP_FIXTURE_DIR) + name, &bytes)) << name;
  return bytes;
}

void Put16(std::string& z, size_t at, uint16_t v) {
  z[at] = static_cast<char>(v);
  z[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& z, size_t at, uint32_t v) {
  Put16(z, at, static_cast<uint16_t>(v));
  Put16(z, at + 2, static_cast<uint16_t>(v >> 16));
}
size_t Find(const std::string& z, const char* sig, int nth = 0) {
  size_t at = z.find(sig);
  while (nth-- > 0) at = z.find(sig, at + 4);
  return at;
}
const char kLocal[] = "PK\x03\x04", kCentral[] = "PK\x01\x02", kEnd[] = "PK\x05\x06", kEnd64[] = "PK\x06\x06";

std::string Content(const std::string& path) {
  std::string s;
  return ReadFileBytes(path, &s) ? s : "-";
}
}  // namespace

TEST(DamagedArchive, StructureChecks) {
  // stored2.zip: a.txt (50 bytes), b.txt (40 bytes), then a 64-byte comment.
  struct Row {
    const char* name;
    const char* base;
    std::function<void(std::string&)> damage;
    bool result;
    const char* files;  // what stands afterwards: "a" a.txt, "b" b.txt, "x" x.txt, "o" ok.txt
  } rows[] = {
      {"intact", "stored2.zip", [](std::string&) {}, true, "ab"},
      {"shorter than an end record", "stored2.zip", [](std::string& z) { z.resize(21); }, false, ""},
      {"end record: another disk", "stored2.zip", [](std::string& z) { Put16(z, Find(z, kEnd) + 4, 1); }, false, ""},
      {"end record: directory on another disk", "stored2.zip",
       [](std::string& z) { Put16(z, Find(z, kEnd) + 6, 1); }, false, ""},
      {"end record: entries on this disk differ", "stored2.zip",
       [](std::string& z) { Put16(z, Find(z, kEnd) + 8, 1); }, false, ""},
      {"directory larger than the space before the end record", "stored2.zip",
       [](std::string& z) { Put32(z, Find(z, kEnd) + 12, static_cast<uint32_t>(z.size())); }, false, ""},
      {"central header signature", "stored2.zip", [](std::string& z) { z[Find(z, kCentral, 1) + 3] = 9; }, false, ""},
      {"central header runs past the directory", "stored2.zip",
       [](std::string& z) { Put16(z, Find(z, kCentral, 1) + 32, 30); }, false, ""},
      {"local header signature", "stored2.zip", [](std::string& z) { z[Find(z, kLocal, 1) + 3] = 9; }, true, "a"},
      {"local name runs past the end", "stored2.zip", [](std::string& z) { Put16(z, Find(z, kLocal, 1) + 26, 0xFFFF); },
       true, "a"},
      {"data past the end of the archive", "stored2.zip",
       [](std::string& z) {
         Put32(z, Find(z, kCentral, 1) + 20, 4000);
         Put32(z, Find(z, kCentral, 1) + 24, 4000);
       },
       true, "a"},
      {"ZIP64 extra field too short", "extra-short.zip", [](std::string&) {}, true, "o"},
      {"ZIP64 extra field longer than the extra area", "extra-long.zip", [](std::string&) {}, true, "o"},
      {"ZIP64 record signature", "zip64.zip", [](std::string& z) { z[Find(z, kEnd64) + 3] = 9; }, false, ""},
      {"ZIP64 record: another disk", "zip64.zip", [](std::string& z) { Put32(z, Find(z, kEnd64) + 16, 1); }, false, ""},
      {"ZIP64 record: entries on this disk differ", "zip64.zip",
       [](std::string& z) { Put32(z, Find(z, kEnd64) + 24, 2); }, false, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TempDir t;
    std::string zip = Fixture(r.base);
    r.damage(zip);
    ASSERT_TRUE(WriteFileBytes(t / "p.zip", zip));
    EXPECT_EQ(UnpackPackage(t / "p.zip", t / "d", nullptr), r.result);
    const std::string files = r.files;
    EXPECT_EQ(platform::FileExists(t / "d\\a.txt"), files.find('a') != std::string::npos);
    EXPECT_EQ(platform::FileExists(t / "d\\b.txt"), files.find('b') != std::string::npos);
    EXPECT_FALSE(platform::FileExists(t / "d\\x.txt"));
    EXPECT_EQ(platform::FileExists(t / "d\\ok.txt"), files.find('o') != std::string::npos);
  }
}

TEST(DamagedArchive, ExtractionFailures) {
  // Every row runs on a copy of its archive in a folder of its own; `before`
  // prepares the destination, `during` runs at each step of the unpack with the
  // package and the step's entry index and bytes.
  using During = std::function<void(platform::File& package, size_t entry, uint64_t done, uint64_t entryStart)>;
  struct Row {
    const char* name;
    const char* base;
    std::function<void(std::string&)> damage;
    std::function<void(const TempDir&)> before;
    During during;
    bool result;
    std::function<void(const TempDir&)> check;
  } rows[] = {
      // tree.zip: readme.txt, empty.txt, void/, bin/, bin/deep/, bin/deep/text.txt, bin/raw.bin (300 KiB, stored).
      {"a read error before an entry's header", "tree.zip", nullptr, nullptr,
       [](platform::File& p, size_t entry, uint64_t, uint64_t) {
         if (entry == 0) p.SetLength(0);
       },
       false, [](const TempDir& t) { EXPECT_FALSE(platform::FileExists(t / "d\\readme.txt")); }},
      {"a read error mid-entry", "tree.zip", nullptr, nullptr,
       [](platform::File& p, size_t entry, uint64_t done, uint64_t start) {
         if (entry == 6 && done > start) p.SetLength(0);  // raw.bin, after its first block
       },
       false,
       [](const TempDir& t) {
         EXPECT_FALSE(platform::FileExists(t / "d\\bin\\raw.bin"));
         EXPECT_TRUE(platform::FileExists(t / "d\\bin\\deep\\text.txt"));
       }},
      {"an encrypted entry leaves the file in its place alone", "stored2.zip",
       [](std::string& z) { z[Find(z, kCentral) + 8] |= 1; },
       [](const TempDir& t) { WriteFileBytes(t / "d\\a.txt", "old"); }, nullptr, true,
       [](const TempDir& t) {
         EXPECT_EQ(Content(t / "d\\a.txt"), "old");
         EXPECT_EQ(Content(t / "d\\b.txt"), "betabetabetabetabetabetabetabetabetabeta");
       }},
      {"stored sizes that differ", "stored2.zip", [](std::string& z) { Put32(z, Find(z, kCentral) + 24, 51); },
       [](const TempDir& t) { WriteFileBytes(t / "d\\a.txt", "old"); }, nullptr, true,
       [](const TempDir& t) { EXPECT_EQ(Content(t / "d\\a.txt"), "old"); }},
      {"a deflated size no stream can reach", "two.zip",
       [](std::string& z) { Put32(z, Find(z, kCentral) + 24, 0xFFFFFFF0u); },
       [](const TempDir& t) { WriteFileBytes(t / "d\\first.txt", "old"); }, nullptr, true,
       [](const TempDir& t) {
         EXPECT_EQ(Content(t / "d\\first.txt"), "old");
         EXPECT_EQ(Content(t / "d\\second.txt"), "second member");
       }},
      {"a deflated member whose data is cut short", "two.zip",
       [](std::string& z) {
         Put32(z, Find(z, kCentral) + 20, 3);
         Put32(z, Find(z, kLocal) + 18, 3);
       },
       [](const TempDir& t) { WriteFileBytes(t / "d\\first.txt", "old"); }, nullptr, true,
       [](const TempDir& t) {
         EXPECT_EQ(Content(t / "d\\first.txt"), "old");
         EXPECT_EQ(Content(t / "d\\second.txt"), "second member");
       }},
      {"a folder that cannot be created", "tree.zip", nullptr,
       [](const TempDir& t) { WriteFileBytes(t / "d\\bin", "a file in the way"); }, nullptr, false,
       [](const TempDir& t) {
         EXPECT_TRUE(platform::FileExists(t / "d\\readme.txt"));
         EXPECT_EQ(Content(t / "d\\bin"), "a file in the way");
       }},
      {"folder entries that cannot be created do not count", "folders.zip", nullptr,
       [](const TempDir& t) {
         WriteFileBytes(t / "d\\a", "x");
         WriteFileBytes(t / "d\\c", "x");
       },
       nullptr, false, [](const TempDir&) {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TempDir t;
    std::string zip = Fixture(r.base);
    if (r.damage) r.damage(zip);
    ASSERT_TRUE(WriteFileBytes(t / "p.zip", zip));
    platform::CreateDir(t / "d");
    if (r.before) r.before(t);
    platform::File package, cutter;
    ASSERT_EQ(package.Open(t / "p.zip", platform::OpenMode::kRead), 0u);
    ASSERT_EQ(cutter.Open(t / "p.zip", platform::OpenMode::kWrite), 0u);
    uint64_t entryStart = 0;
    size_t lastEntry = static_cast<size_t>(-1);
    const bool ok = UnpackPackage(package, t / "d", [&](const UnpackProgress& p) {
      if (p.entry != lastEntry) entryStart = p.bytesDone;
      lastEntry = p.entry;
      if (r.during) r.during(cutter, p.entry, p.bytesDone, entryStart);
    });
    EXPECT_EQ(ok, r.result);
    r.check(t);
  }
}

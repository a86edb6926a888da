#include <gtest/gtest.h>

#include <random>
#include <string>

#include "download/CRC_32.h"
#include "download/PubCrc.h"
#include "tests/support/TempDir.h"

namespace {
// Bit at a time, straight from the polynomial: the reference for every result.
uint32_t ReferenceCrc(const std::string& s) {
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : s) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
  }
  return c ^ 0xFFFFFFFFu;
}

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

uint32_t Crc(const std::string& s) {
  uint32_t c = 0xFFFFFFFFu;
  if (!s.empty()) Crc32Update(s.data(), s.size(), c);
  return c ^ 0xFFFFFFFFu;
}
}  // namespace

TEST(Crc32, TableIsTheStandardOne) {
  EXPECT_EQ(kCrc32Table[0], 0u);
  EXPECT_EQ(kCrc32Table[1], 0x77073096u);
  EXPECT_EQ(kCrc32Table[128], 0xEDB88320u);
  EXPECT_EQ(kCrc32Table[255], 0x2D02EF8Du);
}

TEST(Crc32, KnownValues) {
  EXPECT_EQ(Crc("abc"), 0x352441C2u);
  EXPECT_EQ(Crc("123456789"), 0xCBF43926u);
}

// The wide update must agree with the byte rule for every length and alignment,
// and when a stream is fed in uneven pieces.
TEST(Crc32, EveryLengthAndAlignmentMatchesTheByteRule) {
  const std::string data = RandomBytes(300, 7);
  for (size_t off = 0; off < 16; ++off) {
    for (size_t len = 1; off + len <= data.size(); len += (len < 200 ? 1 : 37)) {
      std::string piece = data.substr(off, len);
      ASSERT_EQ(Crc(piece), ReferenceCrc(piece)) << "offset " << off << " length " << len;
    }
  }
  uint32_t c = 0xFFFFFFFFu;
  size_t pos = 0;
  for (size_t step : {1u, 15u, 16u, 17u, 3u, 100u, 148u}) {
    Crc32Update(data.data() + pos, step, c);
    pos += step;
  }
  EXPECT_EQ(c ^ 0xFFFFFFFFu, ReferenceCrc(data));
}

TEST(FileCrc, TextFormsAndFiles) {
  testsupport::TempDir dir;
  ASSERT_TRUE(testsupport::WriteFileBytes(dir / "abc", "abc"));
  EXPECT_EQ(FileCrcText(dir / "abc"), "352441C2");

  ASSERT_TRUE(testsupport::WriteFileBytes(dir / "empty", ""));
  EXPECT_EQ(FileCrcText(dir / "empty"), "00");
  FileCrcResult r = FileCrc32(dir / "empty");
  EXPECT_EQ(r.ioResult, 0u);
  EXPECT_EQ(r.crc, 0u);

  // One whole block, then one block and a bit: the block loop must not drop or repeat bytes.
  for (size_t n : {32768u, 32769u, 100000u}) {
    std::string bytes = RandomBytes(n, static_cast<unsigned>(n));
    ASSERT_TRUE(testsupport::WriteFileBytes(dir / "blk", bytes));
    EXPECT_EQ(FileCrc32(dir / "blk").crc, ReferenceCrc(bytes)) << n;
  }
}

TEST(FileCrc, MissingFileGivesEmptyTextNeverZero) {
  testsupport::TempDir dir;
  EXPECT_EQ(FileCrcText(dir / "nothing.zip"), "");
  FileCrcResult r = FileCrc32(dir / "nothing.zip");
  EXPECT_NE(r.ioResult, 0u);
  EXPECT_EQ(r.crc, 0u);
  EXPECT_EQ(FileCrcText(dir.path()), "") << "a folder is not a readable file";
}

TEST(FileCrc, DecimalToHex) {
  EXPECT_EQ(DecimalToHex("891568578"), "352441C2");
  EXPECT_EQ(DecimalToHex("43981"), "ABCD");
  EXPECT_EQ(DecimalToHex("5"), "05");
  EXPECT_EQ(DecimalToHex("0"), "00");
  EXPECT_EQ(DecimalToHex("4294967295"), "FFFFFFFF");
  EXPECT_EQ(DecimalToHex("-1"), "FFFFFFFF") << "signed input keeps its low 32 bits";
  EXPECT_EQ(DecimalToHex("4294967296"), "00");
  EXPECT_EQ(DecimalToHex(" 255 "), "FF");
  EXPECT_EQ(DecimalToHex("12x"), "");
  EXPECT_EQ(DecimalToHex(""), "");
}

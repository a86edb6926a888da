#include <gtest/gtest.h>

#include "app/WindowsSysVersion.h"
#ifndef _WIN32
#include "platform/testing.h"
#endif

namespace {
platform::OsVersionRecord Ver(uint32_t major, uint32_t minor, uint8_t product = 1, uint16_t suite = 0) {
  platform::OsVersionRecord r;
  r.size = platform::kOsVersionInfoExSize;
  r.major = major;
  r.minor = minor;
  r.productType = product;
  r.suiteMask = suite;
  return r;
}

struct Case {
  uint32_t major, minor;
  uint8_t product;
  uint16_t arch;
  int serverR2;
  uint16_t suite;
  uint8_t code;
};
}  // namespace

TEST(WindowsVersion, WholeTable) {
  const Case cases[] = {
      {4, 0, 1, 0, 0, 0, 1},      {4, 0, 2, 0, 0, 0, 1},      {4, 10, 1, 0, 0, 0, 2},    {4, 90, 1, 0, 0, 0, 3},
      {4, 1, 1, 0, 0, 0, 0},      {5, 0, 1, 0, 0, 0, 4},      {5, 0, 3, 0, 0, 0, 5},     {5, 1, 1, 0, 0, 0, 6},
      {5, 1, 3, 9, 1, 0, 6},      {5, 2, 1, 9, 0, 0, 7},      {5, 2, 1, 9, 1, 0x8000, 7}, {5, 2, 1, 0, 0, 0, 8},
      {5, 2, 3, 9, 0, 0, 8},      {5, 2, 3, 0, 1, 0, 10},     {5, 2, 3, 0, 0, 0x8000, 9}, {5, 2, 3, 0, 1, 0x8000, 9},
      {5, 3, 1, 0, 0, 0, 0},      {6, 0, 1, 0, 0, 0, 11},     {6, 0, 3, 0, 0, 0, 12},    {6, 1, 3, 0, 0, 0, 13},
      {6, 1, 1, 9, 0, 0, 14},     {6, 2, 1, 0, 0, 0, 0},      {6, 3, 1, 0, 0, 0, 0},     {10, 0, 1, 0, 0, 0, 0},
      {3, 51, 1, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    platform::OsVersionRecord r = Ver(c.major, c.minor, c.product, c.suite);
    EXPECT_EQ(ClassifyWindowsVersion(&r, c.arch, c.serverR2), c.code)
        << c.major << "." << c.minor << " product " << int(c.product) << " arch " << c.arch;
  }
}

TEST(WindowsVersion, HomeServerIsTheWholeSuiteMaskNotABit) {
  platform::OsVersionRecord r = Ver(5, 2, 3, 0x8000 | 0x0010);
  EXPECT_EQ(ClassifyWindowsVersion(&r, 0, 0), 8);
  EXPECT_EQ(ClassifyWindowsVersion(&r, 0, 1), 10);
  r.suiteMask = 0x8000;
  EXPECT_EQ(ClassifyWindowsVersion(&r, 0, 0), 9);
}

TEST(WindowsVersion, FailedQueryIsZero) { EXPECT_EQ(ClassifyWindowsVersion(nullptr, 9, 1), 0); }

#ifndef _WIN32
TEST(WindowsVersion, QueryUsesTheSystemRecord) {
  platform::OsVersionRecord xp = Ver(5, 1);
  platform::testing::SetOsVersion(&xp, 0, 0);
  EXPECT_EQ(ClassifyWindowsVersion(), 6);
  platform::OsVersionRecord r2 = Ver(5, 2, 3);
  platform::testing::SetOsVersion(&r2, 0, 1);
  EXPECT_EQ(ClassifyWindowsVersion(), 10);

  platform::testing::SetOsVersion(nullptr, 0, 0);
  platform::OsVersionRecord out = Ver(6, 1);
  EXPECT_FALSE(QueryWindowsVersion(&out));
  EXPECT_EQ(out.size, 0u) << "a failed query leaves the size field 0";
  EXPECT_EQ(ClassifyWindowsVersion(), 0);
  platform::testing::ResetOsVersion();
}
#else
// A fresh Wine prefix reports Windows 7 workstation to a program without a manifest.
TEST(WindowsVersion, WineReportsWindows7) {
  platform::OsVersionRecord out;
  ASSERT_TRUE(QueryWindowsVersion(&out));
  EXPECT_EQ(out.size, platform::kOsVersionInfoExSize);
  EXPECT_EQ(ClassifyWindowsVersion(), 14);
}
#endif

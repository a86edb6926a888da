// The calendar under ValidUntil and the forms a signed manifest's Serial and
// ValidUntil may take.
#include <gtest/gtest.h>

#include "common/ReleaseStamp.h"

TEST(ReleaseStamp, UtcTextRoundTripsAcrossLeapDaysAndCenturies) {
  const struct {
    int64_t seconds;
    const char* text;
  } rows[] = {
      {0, "1970-01-01 00:00:00"},
      {951782400, "2000-02-29 00:00:00"},
      {1796724001, "2026-12-08 10:00:01"},
      {4107542400, "2100-03-01 00:00:00"},  // 2100 has no 29 February
      {253402300799, "9999-12-31 23:59:59"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(UtcText(r.seconds), r.text);
    int64_t back = -1;
    EXPECT_TRUE(ParseUtcText(r.text, &back)) << r.text;
    EXPECT_EQ(back, r.seconds) << r.text;
  }
}

TEST(ReleaseStamp, OnlyTheFormsTheKitWritesAreTaken) {
  int64_t t = 0;
  for (const char* bad : {"2100-02-29 00:00:00", "2027-13-01 00:00:00", "2027-04-31 00:00:00", "2027-01-01 24:00:00",
                          "2027-01-01 00:60:00", "2027-1-01 00:00:00", "2027-01-01T00:00:00", "1969-12-31 23:59:59",
                          "2027-01-01 00:00:00Z", "+027-01-01 00:00:00", ""})
    EXPECT_FALSE(ParseUtcText(bad, &t)) << bad;
  uint64_t serial = 0;
  EXPECT_TRUE(ParseSerial("9999999999999999999", &serial));
  EXPECT_EQ(serial, kMaxSerial);
  for (const char* bad : {"", "-1", "+1", " 1", "1e9", "0x10", "10000000000000000000"})
    EXPECT_FALSE(ParseSerial(bad, &serial)) << bad;

  ReleaseStamp stamp;
  std::string problem;
  EXPECT_TRUE(ReadReleaseStamp("[Setup]\r\nLargeVer=V1\r\n", &stamp, &problem));
  EXPECT_EQ(stamp.serial, 0u);
  EXPECT_FALSE(stamp.expires);
  EXPECT_TRUE(ReadReleaseStamp("[Setup]\r\nSerial=42\r\nValidUntil=1970-01-02 00:00:00\r\n", &stamp, &problem));
  EXPECT_EQ(stamp.serial, 42u);
  EXPECT_TRUE(stamp.expires);
  EXPECT_EQ(stamp.validUntil, 86400);
  EXPECT_FALSE(ReadReleaseStamp("[Setup]\r\nSerial=42\r\nValidUntil=tomorrow\r\n", &stamp, &problem));
  EXPECT_NE(problem.find("ValidUntil"), std::string::npos);
}

#include "common/ReleaseStamp.h"

#include <cstdio>

#include "common/IniFile.h"

namespace {
// Days between 1970-01-01 and the given date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

bool IsLeap(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(unsigned y, unsigned m) {
  static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// The digits at text[at..at+n) as a number; false unless all are digits.
bool Digits(const std::string& text, size_t at, size_t n, unsigned* value) {
  *value = 0;
  for (size_t i = at; i < at + n; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    *value = *value * 10 + static_cast<unsigned>(text[i] - '0');
  }
  return true;
}
}  // namespace

bool ParseSerial(const std::string& text, uint64_t* value) {
  if (text.empty() || text.size() > 19) return false;
  uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  *value = v;
  return true;
}

std::string UtcText(int64_t t) {
  int64_t days = t / 86400, secs = t % 86400;
  if (secs < 0) secs += 86400, --days;
  // The inverse of DaysFromCivil.
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(days - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02u:%02u:%02u", static_cast<long long>(y), m, d,
                static_cast<unsigned>(secs / 3600), static_cast<unsigned>(secs / 60 % 60),
                static_cast<unsigned>(secs % 60));
  return buf;
}

bool ParseUtcText(const std::string& text, int64_t* unixSeconds) {
  // Exactly 19 bytes: "2027-01-31 23:59:59".
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':')
    return false;
  unsigned y, mo, d, h, mi, s;
  if (!Digits(text, 0, 4, &y) || !Digits(text, 5, 2, &mo) || !Digits(text, 8, 2, &d) || !Digits(text, 11, 2, &h) ||
      !Digits(text, 14, 2, &mi) || !Digits(text, 17, 2, &s))
    return false;
  if (y < 1970 || mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo) || h > 23 || mi > 59 || s > 59) return false;
  *unixSeconds = DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
  return true;
}

bool ReadReleaseStamp(const std::string& manifest, ReleaseStamp* stamp, std::string* problem) {
  *stamp = ReleaseStamp();
  const std::string serial = IniLookup(manifest, "Setup", "Serial");
  if (!serial.empty() && !ParseSerial(serial, &stamp->serial)) {
    *problem = "Serial is not a decimal number";
    return false;
  }
  const std::string until = IniLookup(manifest, "Setup", "ValidUntil");
  if (!until.empty()) {
    if (!ParseUtcText(until, &stamp->validUntil)) {
      *problem = "ValidUntil is not a UTC time of the form YYYY-MM-DD HH:MM:SS";
      return false;
    }
    stamp->expires = true;
  }
  return true;
}

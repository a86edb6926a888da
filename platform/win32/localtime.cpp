#include "platform/localtime.h"

#include <windows.h>

namespace platform {

LocalTime LocalTimeNow() {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  LocalTime t;
  t.year = st.wYear;
  t.month = st.wMonth;
  t.day = st.wDay;
  t.hour = st.wHour;
  t.minute = st.wMinute;
  t.second = st.wSecond;
  return t;
}

int64_t UnixTimeNow() {
  FILETIME ft;
  ::GetSystemTimeAsFileTime(&ft);
  // 100 ns steps since 1601-01-01; the Unix epoch is 11644473600 s later.
  const uint64_t ticks = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return static_cast<int64_t>(ticks / 10000000u) - 11644473600LL;
}

std::string TimeSeparator() {
  char buf[8];
  int n = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, buf, sizeof buf);
  if (n <= 1) return ":";
  return std::string(buf, static_cast<size_t>(n - 1));
}

}  // namespace platform

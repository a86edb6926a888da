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

std::string TimeSeparator() {
  char buf[8];
  int n = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, buf, sizeof buf);
  if (n <= 1) return ":";
  return std::string(buf, static_cast<size_t>(n - 1));
}

}  // namespace platform

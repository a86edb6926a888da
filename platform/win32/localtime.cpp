#include "platform/localtime.h"

#include <windows.h>

#include <cstdio>

namespace platform {

std::string LocalTimeText() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond);
  return buf;
}

}  // namespace platform

#include "platform/localtime.h"

#include <cstdio>

namespace platform {

std::string LocalTimeText() {
  LocalTime t = LocalTimeNow();
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return buf;
}

}  // namespace platform

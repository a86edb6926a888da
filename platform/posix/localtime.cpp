#include "platform/localtime.h"

#include <ctime>
#include <mutex>

#include "platform/testing.h"

namespace platform {
namespace {
std::mutex g_mutex;
bool g_fixed = false;
LocalTime g_time;
bool g_unixFixed = false;
int64_t g_unixTime = 0;
}  // namespace

namespace testing {
void SetLocalTime(const LocalTime* t) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_fixed = t != nullptr;
  if (t) g_time = *t;
}
void SetUnixTime(const int64_t* seconds) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_unixFixed = seconds != nullptr;
  if (seconds) g_unixTime = *seconds;
}
}  // namespace testing

LocalTime LocalTimeNow() {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_fixed) return g_time;
  }
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&now, &tm);
  LocalTime t;
  t.year = static_cast<unsigned>(tm.tm_year + 1900);
  t.month = static_cast<unsigned>(tm.tm_mon + 1);
  t.day = static_cast<unsigned>(tm.tm_mday);
  t.hour = static_cast<unsigned>(tm.tm_hour);
  t.minute = static_cast<unsigned>(tm.tm_min);
  t.second = static_cast<unsigned>(tm.tm_sec);
  return t;
}

int64_t UnixTimeNow() {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_unixFixed) return g_unixTime;
  }
  return static_cast<int64_t>(std::time(nullptr));
}

std::string TimeSeparator() { return ":"; }

}  // namespace platform

// The wall-clock time: local as text, and UTC as seconds.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

struct LocalTime {
  unsigned year = 0, month = 0, day = 0;       // month and day from 1
  unsigned hour = 0, minute = 0, second = 0;  // hour from 0 to 23
};
LocalTime LocalTimeNow();

// The system's time separator (":" on most systems); ":" when it cannot be read.
std::string TimeSeparator();

// "yyyy-mm-dd hh:nn:ss" on the 24-hour clock, as 2026-12-06 18:30:10.
std::string LocalTimeText();

// Seconds since 1970-01-01 00:00:00 UTC by the machine's clock.
int64_t UnixTimeNow();

}  // namespace platform

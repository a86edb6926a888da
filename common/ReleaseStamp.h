// What keeps a keyed installer from taking back an older signed release: the
// signed manifest's [Setup] carries `Serial`, which grows with every signed
// publish, and may carry `ValidUntil`, a UTC time after which it is refused.
#pragma once
#include <cstdint>
#include <string>

// The two values as the manifest states them. A manifest without Serial counts
// as serial 0 (what was signed before serials existed).
struct ReleaseStamp {
  uint64_t serial = 0;
  bool expires = false;
  int64_t validUntil = 0;  // seconds since 1970-01-01 00:00:00 UTC
};

// Reads Serial and ValidUntil from the manifest's text. False, with the reason
// in *problem, when either is present but not in the form the kit writes.
bool ReadReleaseStamp(const std::string& manifest, ReleaseStamp* stamp, std::string* problem);

// A serial: decimal digits only, at most 19 of them.
constexpr uint64_t kMaxSerial = 9999999999999999999u;
bool ParseSerial(const std::string& text, uint64_t* value);

// "YYYY-MM-DD HH:MM:SS" in UTC, to and from seconds since the Unix epoch.
std::string UtcText(int64_t unixSeconds);
bool ParseUtcText(const std::string& text, int64_t* unixSeconds);

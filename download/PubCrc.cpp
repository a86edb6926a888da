#include "download/PubCrc.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "download/CRC_32.h"

std::string DecimalToHex(const std::string& decimal) {
  size_t b = decimal.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  const char* s = decimal.c_str() + b;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(s, &end, 10);
  if (end == s || errno == ERANGE || end[strspn(end, " \t\r\n")] != '\0') return std::string();
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>(static_cast<unsigned long long>(v) & 0xFFFFFFFFu));
  return buf;
}

std::string CrcText(uint32_t crc) { return DecimalToHex(std::to_string(crc)); }

std::string FileCrcText(const std::string& fileName) {
  FileCrcResult r = FileCrc32(fileName);
  return r.ioResult != 0 ? std::string() : CrcText(r.crc);
}

std::string FileCrcText(platform::File& file) {
  FileCrcResult r = FileCrc32(file);
  return r.ioResult != 0 ? std::string() : CrcText(r.crc);
}

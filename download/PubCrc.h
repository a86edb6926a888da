// The checksum text that the version manifest carries and the installer compares.
#pragma once
#include <cstdint>
#include <string>

namespace platform {
class File;
}

// Upper-case hexadecimal CRC-32 of the file without leading zeros, at least two
// digits ("352441C2", "ABCD", "05", "00"); empty when the file cannot be read.
std::string FileCrcText(const std::string& fileName);
// The same read through an open file from its start.
std::string FileCrcText(platform::File& file);
// The same text for a CRC-32 already taken.
std::string CrcText(uint32_t crc);

// A signed 64-bit decimal number's low 32 bits as upper-case hexadecimal, at
// least two digits. Text that is not a number gives the empty text.
std::string DecimalToHex(const std::string& decimal);

// The checksum text that the version manifest carries and the installer compares.
#pragma once
#include <string>

// Upper-case hexadecimal CRC-32 of the file without leading zeros, at least two
// digits ("352441C2", "ABCD", "05", "00"); empty when the file cannot be read.
std::string FileCrcText(const std::string& fileName);

// A signed 64-bit decimal number's low 32 bits as upper-case hexadecimal, at
// least two digits. Text that is not a number gives the empty text.
std::string DecimalToHex(const std::string& decimal);

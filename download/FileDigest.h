// A file's CRC-32 and SHA-256 from one read of it.
#pragma once
#include <cstdint>
#include <string>

#include "platform/crypto.h"

namespace platform {
class File;
}

struct FileDigestResult {
  uint32_t crc = 0;
  platform::Sha256Digest sha256{};
  uint32_t ioResult = 0;  // 0, or the OS error of the open or read that failed
  bool hashOk = false;    // the system computed the SHA-256
};

// By name, or through an open file from its start.
FileDigestResult FileCrcAndSha256(const std::string& fileName);
FileDigestResult FileCrcAndSha256(platform::File& file);

// Lower-case hexadecimal SHA-256 of the file; empty when it cannot be read.
std::string FileSha256Text(const std::string& fileName);
std::string FileSha256Text(platform::File& file);

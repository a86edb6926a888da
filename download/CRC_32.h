// CRC-32 of ZIP, zlib and IEEE 802.3: reflected polynomial 0xEDB88320, initial
// value 0xFFFFFFFF, final inversion of all bits.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace platform {
class File;
}

// The standard table of the reflected polynomial.
extern const uint32_t kCrc32Table[256];

// Folds `length` bytes of `block` into the running (not yet inverted) CRC.
void Crc32Update(const void* block, size_t length, uint32_t& crc);

struct FileCrcResult {
  uint32_t crc = 0;
  uint32_t ioResult = 0;  // 0, or the OS error of the open or read that failed
};

// The CRC-32 of a whole file, read in 32768-byte blocks; by name, or through
// an open file from its start.
FileCrcResult FileCrc32(const std::string& fileName);
FileCrcResult FileCrc32(platform::File& file);

// Reads a whole file from its start in blocks of up to `block` bytes and hands
// each to `take`. 0, or the OS error of the open or read that failed.
uint32_t ReadFileInBlocks(const std::string& fileName, uint32_t block,
                          const std::function<void(const unsigned char*, uint32_t)>& take);
uint32_t ReadFileInBlocks(platform::File& file, uint32_t block,
                          const std::function<void(const unsigned char*, uint32_t)>& take);

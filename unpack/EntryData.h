// Writes one entry's data into its target file: stored data is copied, deflated
// data inflated by zlib, and the CRC-32 of what was written compared.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/fs.h"
#include "unpack/ZipEntry.h"
#include "unpack/ZipReader.h"

enum class DataResult {
  kOk,     // all data written, size and CRC-32 as stored
  kBad,    // the entry is damaged: wrong CRC-32 or size, truncated stream
  kFatal,  // the archive cannot be read or the decompressor failed
  kWriteFailed,  // the target file could not take the data (a full drive)
};

class TEntryDecoder {
 public:
  // Inflate output comes in blocks of this size; several are written at once.
  static constexpr uint32_t kOutBlock = 32768;
  static constexpr uint32_t kOutBuffer = 8 * kOutBlock;

  TEntryDecoder();
  ~TEntryDecoder();
  TEntryDecoder(const TEntryDecoder&) = delete;
  TEntryDecoder& operator=(const TEntryDecoder&) = delete;

  // `beforeBlock` runs before each block of input is taken, with the number of
  // compressed bytes consumed so far. Methods other than 0 and 8 are kBad.
  DataResult Write(TZipReader& zip, const ZipEntry& e, uint64_t dataOffset, platform::File& out,
                   const std::function<void(uint64_t)>& beforeBlock);

 private:
  DataResult Copy(TZipReader& zip, const ZipEntry& e, uint64_t dataOffset, platform::File& out,
                  const std::function<void(uint64_t)>& beforeBlock, uint32_t* crc);
  DataResult Inflate(TZipReader& zip, const ZipEntry& e, uint64_t dataOffset, platform::File& out,
                     const std::function<void(uint64_t)>& beforeBlock, uint32_t* crc);

  struct Stream;
  std::unique_ptr<Stream> stream_;
  std::unique_ptr<unsigned char[]> out_;
};

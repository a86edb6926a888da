// The ZIP reader: finds the end of central directory record, reads the central
// directory in stored order and gives access to each entry's data, every range
// checked against the archive's size.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "unpack/ZipEntry.h"

class TZipReader {
 public:
  // Reads are served from one window of the archive: large enough for the tail
  // scan (65557 bytes), the biggest central directory header (46 + 3 * 65535)
  // and many small entries at a time.
  static constexpr uint32_t kWindow = 256 * 1024;

  TZipReader();

  // Opens the archive and reads its central directory; false when the file
  // cannot be read or is not a ZIP archive. An empty file has no entries. By
  // name (held against change while the reader lives), or through the caller's
  // open file, which must outlive the reader's use of it.
  bool Open(const std::string& path);
  bool Open(platform::File& file);
  const std::vector<ZipEntry>& Entries() const { return entries_; }
  uint64_t Size() const { return size_; }

  // Where an entry's data starts, from its local header; false when the header
  // or the data range lies outside the archive.
  bool DataOffset(const ZipEntry& e, uint64_t* offset);

  // Exactly n bytes (n <= kWindow) at offset, valid until the next read; null
  // past the end or on a read error.
  const unsigned char* View(uint64_t offset, uint32_t n);
  // Between 1 and `max` bytes at offset, at most one read; null as above.
  const unsigned char* ViewSome(uint64_t offset, uint32_t max, uint32_t* got);
  // Whether the last null view came from a read error rather than the range.
  bool ReadFailed() const { return readFailed_; }

 private:
  bool Fill(uint64_t offset, uint32_t n);
  bool FindEnd(uint64_t* endPos, uint64_t* entries, uint64_t* cdSize, uint64_t* cdOffset);
  bool ReadCentralDirectory(uint64_t entries, uint64_t cdSize, uint64_t cdOffset);

  platform::File own_;
  platform::File* file_ = nullptr;
  uint64_t size_ = 0;
  std::vector<ZipEntry> entries_;
  std::unique_ptr<unsigned char[]> window_;
  uint64_t winStart_ = 0;
  uint32_t winLen_ = 0;
  bool readFailed_ = false;
};

// The reader's view of one central directory entry.
#pragma once
#include <cstdint>
#include <string>

struct ZipEntry {
  // The stored name with "/" turned into "\": the folder part runs up to and
  // including its last "\" or ":", the file part is the rest (empty for a folder).
  std::string folderPart;
  std::string filePart;
  uint16_t method = 0;
  bool encrypted = false;
  uint16_t dosDate = 0;  // clamped into range
  uint16_t dosTime = 0;
  uint32_t crc32 = 0;
  uint64_t compressedSize = 0;
  uint64_t uncompressedSize = 0;
  uint32_t externalAttributes = 0;
  uint64_t localHeaderOffset = 0;

  bool IsFolder() const { return filePart.empty(); }
};

// Fills the name parts from a stored name; names written by MS-DOS hosts are
// converted from the OEM to the ANSI code page first.
void SetEntryName(ZipEntry* e, const std::string& storedName, bool fromDosHost);

// Hour at most 23, minute at most 59, seconds at most 58, month 1 to 12, day at least 1.
void ClampDosDateTime(uint16_t* dosDate, uint16_t* dosTime);

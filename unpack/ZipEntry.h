// The reader's view of one central directory entry.
#pragma once
#include <cstdint>
#include <string>

struct ZipEntry {
  // The stored name with "/" turned into "\": the folder part runs up to and
  // including its last "\" or ":", the file part is the rest (empty for a folder).
  std::string folderPart;
  std::string filePart;
  // The parts the unpack installs under, split alike from the stored name decoded
  // once (SetInstalledName).
  std::u16string installedFolder;
  std::u16string installedFile;
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

// Fills the installed parts: the stored bytes decoded as UTF-8 when the entry
// says so (`utf8Flag`, bit 11 of its flags) or they are UTF-8, otherwise as GBK
// (code page 936 whatever this system's own; the system's page where 936 is not
// installed). The stored bytes are taken as they are, from any host.
void SetInstalledName(ZipEntry* e, const std::string& storedName, bool utf8Flag);

// Hour at most 23, minute at most 59, seconds at most 58, month 1 to 12, day at least 1.
void ClampDosDateTime(uint16_t* dosDate, uint16_t* dosTime);

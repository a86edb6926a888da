// Extraction of every entry of an open archive below a destination folder.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "unpack/ZipReader.h"

// Where the unpack stands, handed to the caller's hook between blocks of work.
struct UnpackProgress {
  size_t entry = 0;  // index of the entry at work
  size_t entries = 0;
  uint64_t bytesDone = 0;  // compressed bytes of the archive consumed
  uint64_t bytesTotal = 0;
  bool unknownMethod = false;  // the entry at work has a compression method the unpack does not know
};

// Called before each entry, before each block of compressed input and during
// each block of a stored entry's copy, and once more at an entry of an unknown
// method: the window processes its messages here, the command line draws its
// progress. The unpack itself shows nothing. May be empty.
using PumpHook = std::function<void(const UnpackProgress&)>;

struct ExtractResult {
  int count = 0;               // entries counted as extracted
  bool failed = false;        // the archive became unreadable, a file could not be created, sized or written
  std::vector<bool> counted;  // by entry index: whether the entry was counted
  int unknownMethods = 0;     // entries not counted for a compression method the unpack does not know
};

// `dest` (ANSI) has no trailing backslash. Entries are taken in central directory
// order and installed under their decoded names (ZipEntry::installedFolder and
// installedFile), created by their UTF-16 names.
ExtractResult ExtractAll(TZipReader& zip, const std::string& dest, const PumpHook& pump);

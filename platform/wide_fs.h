// Files and folders by UTF-16 name: the names a package gives, which the
// system's ANSI code page may not hold. Results as in platform/fs.h. Natively a
// UTF-16 path maps onto the host as its UTF-8 form (platform/testing.h).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/fs.h"

namespace platform {

// The UTF-16 form of an ANSI path that names the same file: read in the system's
// ANSI code page on Windows; natively the host's bytes, read as UTF-8 when they
// are UTF-8 (the host's own names) and as GBK otherwise.
std::u16string WidePath(const std::string& path);

bool CreateDir(const std::u16string& path);  // one level; false when it exists or fails
bool FileExists(const std::u16string& path);  // a file, not a folder
uint32_t GetAttributes(const std::u16string& path);  // kInvalidAttributes when missing
bool SetAttributes(const std::u16string& path, uint32_t attrs);

struct WideDirEntry {
  std::u16string name;
  bool isDir = false;   // what the entry leads to, a link followed
  bool isLink = false;  // the entry itself is a link (a reparse point on Windows)
};
// The entries of a folder, without "." and "..".
bool ListDir(const std::u16string& dir, std::vector<WideDirEntry>* out);

}  // namespace platform

// A small file read whole into memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// 0 and the file's bytes, or the OS error of the open or read; a file larger
// than `limit` bytes is refused with kErrorInvalidParameter (platform/fs.h).
uint32_t ReadWholeFile(const std::string& path, size_t limit, std::string* bytes);

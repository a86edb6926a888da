// Writing, replacing and removing files so that a link or a second hard-link
// name planted at the name is replaced, never followed: its target keeps its
// bytes. The elevated installer writes below folders others may have touched.
// Each function takes an ANSI path (as platform/fs.h) or a UTF-16 one (for names
// a package gives); results are Windows error codes (0 is success).
#pragma once
#include <cstdint>
#include <string>

#include "platform/fs.h"

namespace platform {

// Creates and opens for writing a new file in the folder of `path`, named as
// `path` plus a short random suffix, only where nothing stands at that name, not
// even a dangling link. *tempPath receives its name.
uint32_t CreateSiblingTemp(const std::string& path, File* out, std::string* tempPath);
uint32_t CreateSiblingTemp(const std::u16string& path, File* out, std::u16string* tempPath);

// Moves a finished (closed) temp file onto `path` in one step. A read-only,
// hidden or system file in the way loses those attributes first; a link or a
// second hard-link name at `path` is replaced by the move and its target left
// as it was. Fails on a folder.
uint32_t PlaceOver(const std::string& tempPath, const std::string& path);
uint32_t PlaceOver(const std::u16string& tempPath, const std::u16string& path);

// Removes what stands at `path` (a file, a link to one, a dangling link, a
// hard-link name) without touching any target: a new empty sibling is moved
// over the name and then deleted. 0 when nothing stood there; fails on a folder.
uint32_t RemoveSafely(const std::string& path);
uint32_t RemoveSafely(const std::u16string& path);

// The whole file written under a sibling temp name, flushed and placed over
// `path`; on failure the temp is gone and `path` as it was.
uint32_t WriteWholeFile(const std::string& path, const std::string& bytes);
uint32_t WriteWholeFile(const std::u16string& path, const std::string& bytes);

// Whether the folder at `path` is itself a link (a reparse point on Windows;
// Wine reports folder links that way).
bool IsLinkedFolder(const std::string& path);
bool IsLinkedFolder(const std::u16string& path);

}  // namespace platform

// A package entry's name as the installer will install it, for the kit's messages.
#pragma once
#include <string>

#include "unpack/ZipEntry.h"

// One stored name part as the unpack decodes it: as UTF-8 when it is UTF-8,
// otherwise as GBK (code page 936, whatever this system's own).
std::u16string DecodedNamePart(const std::string& part);

// The path below the installation folder, "\" between folders: folder and file
// part decoded, a leading "\" or a drive ("C:") dropped as the unpack drops it.
std::u16string InstalledPath(const ZipEntry& e);

// The same in UTF-8 with "/" between folders.
std::string InstalledName(const ZipEntry& e);

// The same as the terminal shows it.
std::string EntryText(const ZipEntry& e);

// A path below the installation folder with "/" between folders.
std::string SlashedPath(std::string path);

// A package entry's name as the installer will install it, for the kit's messages.
#pragma once
#include <string>

#include "unpack/ZipEntry.h"

// The name the unpack installs the entry under (decoded once when the
// directory was read), the folder part up to and including its last "\" or ":".
void DecodedParts(const ZipEntry& e, std::u16string* folder, std::u16string* file);

// The path below the installation folder, "\" between folders: a leading "\"
// or a drive ("C:") dropped as the unpack drops it.
std::u16string InstalledPath(const ZipEntry& e);

// The same in UTF-8 with "/" between folders.
std::string InstalledName(const ZipEntry& e);

// The same as the terminal shows it.
std::string EntryText(const ZipEntry& e);

// A path below the installation folder with "/" between folders.
std::string SlashedPath(std::string path);

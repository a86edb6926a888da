// A package entry's name as the installer will install it, for the kit's messages.
#pragma once
#include <string>

#include "unpack/ZipEntry.h"

// The path below the installation folder, in GBK with "/" between folders: the
// folder part decoded from UTF-8 (kept as stored when it is not UTF-8), the file
// part decoded only at the top level and only when its decoded form is a plain
// name, as the unpack renames it; inside a folder it stays as stored.
std::string InstalledName(const ZipEntry& e);

// The same as the terminal shows it.
std::string EntryText(const ZipEntry& e);

// The name the package's maker meant, as the terminal shows it: the stored name
// read as UTF-8 when it is UTF-8 (any character), else as GBK.
std::string IntendedText(const ZipEntry& e);

// A path below the installation folder with "/" between folders.
std::string SlashedPath(std::string path);

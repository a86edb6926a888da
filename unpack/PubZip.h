// The package unpack: extracts the product package into the installation folder.
#pragma once
#include <string>

#include "unpack/ZipExtract.h"

// Extracts every entry of the package below `destination` (a trailing backslash
// is dropped), replacing existing files but not read-only ones, then gives
// UTF-8 file names of the destination's top level their ANSI form. True when at
// least one entry was extracted; never throws.
bool UnpackPackage(const std::string& packageFile, const std::string& destination, const PumpHook& pump = PumpHook());

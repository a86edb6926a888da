// The package unpack: extracts the product package into the installation folder.
#pragma once
#include <string>

#include "platform/fs.h"
#include "unpack/ZipExtract.h"

// Extracts every entry of the package below `destination` (a trailing backslash
// is dropped), replacing existing files but not read-only ones, then gives
// UTF-8 file names of the destination's top level their ANSI form (replacing
// the file of an earlier install under that name). True when at least one
// entry was extracted; false as well, once the other entries are out, when a
// file could not be created, sized, written or given its decoded name over an
// earlier one. Never throws. The window's messages are pumped between blocks of
// work (PumpMessages).
bool UnpackPackage(const std::string& packageFile, const std::string& destination);
// The same with the caller's hook in place of the message pump; `detail`, when
// given, receives what the extraction counted and skipped.
bool UnpackPackage(const std::string& packageFile, const std::string& destination, const PumpHook& pump,
                   ExtractResult* detail = nullptr);
// The same, reading through the caller's open package file.
bool UnpackPackage(platform::File& package, const std::string& destination, const PumpHook& pump,
                   ExtractResult* detail = nullptr);

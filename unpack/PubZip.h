// The package unpack: extracts the product package into the installation folder.
#pragma once
#include <string>

#include "platform/fs.h"
#include "unpack/ZipExtract.h"

// Extracts every entry of the package below `destination` (a trailing backslash
// is dropped) under its decoded name (ZipEntry.h), replacing existing files, a
// read-only, hidden or system one included; a folder below the destination that
// is a link is never written through. True when at least one entry was
// extracted; false as well, once the other entries are out, when a file could
// not be created, sized, written or put in place (one in use in the way, a
// folder behind a link). Never throws. The window's messages are pumped between
// blocks of work (PumpMessages).
bool UnpackPackage(const std::string& packageFile, const std::string& destination);
// The same with the caller's hook in place of the message pump; `detail`, when
// given, receives what the extraction counted and skipped.
bool UnpackPackage(const std::string& packageFile, const std::string& destination, const PumpHook& pump,
                   ExtractResult* detail = nullptr);
// The same, reading through the caller's open package file.
bool UnpackPackage(platform::File& package, const std::string& destination, const PumpHook& pump,
                   ExtractResult* detail = nullptr);

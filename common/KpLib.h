// Path helpers in the ANSI code page (GBK-aware), folder creation, the UI thread's message pump.
#pragma once
#include <string>

// Whether the process can make the folder its current folder (it is changed
// and changed back).
bool DirExists(const std::string& path);

// Creates the folder and every missing parent; errors are ignored.
void ForceDirs(const std::string& path);

// Drops one trailing backslash (never the second byte of a double-byte character).
std::string StripTrailingBackslash(const std::string& s);

// Index of the last backslash that is a character of its own, or npos.
size_t LastBackslash(const std::string& s);

// The folder part of a path: up to and including its last backslash.
std::string FolderPart(const std::string& path);

// Dispatches the UI thread's waiting messages; true when a quit message was
// among them (it is posted again and the rest are left waiting).
bool PumpMessages();

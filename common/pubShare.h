// Small routines the install flow shares. Every error becomes a plain result
// (an empty text or false); none shows anything.
#pragma once
#include <string>

// Blanks and control characters dropped from both ends; a backslash appended
// unless the text is empty or ends in one.
std::string NormalizeDir(const std::string& s);

// The Windows folder with a trailing backslash ("C:\WINDOWS\"), or empty.
std::string GetWindowsDir();

// The root of the first fixed drive, other than the Windows folder's, with at
// least 1 GiB free; otherwise the Windows folder's drive root.
std::string PickInstallDrive();

// One value of an INI file; empty when the file, section or key is missing.
// Never creates the file.
std::string ReadIniValue(const std::string& section, const std::string& key, const std::string& fileName);

// Registry roots as the callers pass them: 0 is HKEY_LOCAL_MACHINE.
enum RegRootArg : int { kRootLocalMachine = 0, kRootCurrentUser = 1, kRootClassesRoot = 2 };

// A string value (REG_SZ only); empty on any miss or any other type.
std::string ReadRegString(const std::string& keyPath, const std::string& valueName, int root = kRootLocalMachine);
// Writes a REG_SZ value, creating missing keys; errors are swallowed.
void WriteRegString(const std::string& keyPath, const std::string& valueName, const std::string& data,
                    int root = kRootLocalMachine);

// Starts `file` with `params` through the shell's "runas" verb (the elevation
// prompt); the outcome is not reported.
void RunElevated(void* owner, const std::string& file, const std::string& params);

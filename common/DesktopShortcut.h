// The product's shortcut on the user's desktop.
#pragma once
#include <string>

// The link's description, also the publisher of the uninstall entry.
extern const char kPublisherName[];

// Saves the desktop folder's "Veltaro365.lnk", pointing at installDir +
// "\VeltaroLauncher.exe" with installDir + "\" as working folder. The desktop is
// the HKCU "Shell Folders" value "Desktop", or the shell's own answer when that
// value is missing. Whether the save worked is not reported; a link object that
// cannot be created throws std::runtime_error with the system's text.
void CreateDesktopShortcut(const std::string& installDir);

// The system's folder picker.
#pragma once
#include <string>

// The folder the user chose, starting at `initialFolder` when it is not empty;
// empty when cancelled or when the choice has no file-system path. The folders
// are ANSI paths; the prompt `title` is UTF-16.
std::string BrowseForFolder(const std::u16string& title, const std::string& initialFolder);

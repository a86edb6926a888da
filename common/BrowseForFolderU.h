// The system's folder picker.
#pragma once
#include <string>

// The folder the user chose, starting at `initialFolder` when it is not empty;
// empty when cancelled or when the choice has no file-system path.
std::string BrowseForFolder(const std::string& title, const std::string& initialFolder);

// The packages earlier runs left in the download folder.
#pragma once
#include <string>

// Deletes the plain ".zip" files of `downloads` one by one, never through a
// link, and only when `downloads` itself is a real folder. Read-only files stay,
// as the command processor's "del" leaves them.
void DeleteOldPackages(const std::string& downloads);

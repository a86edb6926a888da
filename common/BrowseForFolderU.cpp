#include "common/BrowseForFolderU.h"

#include "platform/shell.h"

std::string BrowseForFolder(const std::u16string& title, const std::string& initialFolder) {
  return platform::PickFolder(title, initialFolder);
}

#include "tools/kit/entry_name.h"

#include "platform/codepage.h"
#include "tools/kit/terminal_text.h"

void DecodedParts(const ZipEntry& e, std::u16string* folder, std::u16string* file) {
  *folder = e.installedFolder;
  *file = e.installedFile;
}

std::string SlashedPath(std::string s) {
  for (char& c : s) {
    if (c == '\\') c = '/';
  }
  return s;
}

std::u16string InstalledPath(const ZipEntry& e) {
  std::u16string folder, file;
  DecodedParts(e, &folder, &file);
  if (folder.size() >= 2 && folder[1] == u':') folder.erase(0, 2);
  while (!folder.empty() && folder[0] == u'\\') folder.erase(0, 1);
  return folder + file;
}

std::string InstalledName(const ZipEntry& e) { return SlashedPath(platform::WideToUtf8(InstalledPath(e))); }

std::string EntryText(const ZipEntry& e) {
  std::u16string path = InstalledPath(e);
  for (char16_t& c : path) {
    if (c == u'\\') c = u'/';
  }
  return WideTerminalText(path);
}

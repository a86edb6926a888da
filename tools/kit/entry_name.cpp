#include "tools/kit/entry_name.h"

#include "platform/codepage.h"
#include "tools/kit/terminal_text.h"
#include "unpack/SafeNames.h"
#include "unpack/Utf8Name.h"

namespace {
// A folder part as the unpack joins it below the installation folder: decoded
// from UTF-8 when it is UTF-8, without a drive or a leading backslash.
std::string Decoded(const std::string& part) {
  std::string d = Utf8NameToAnsi(part);
  if (d.empty()) d = part;
  if (d.size() >= 2 && d[1] == ':') d.erase(0, 2);
  if (!d.empty() && d[0] == '\\') d.erase(0, 1);
  return d;
}
}  // namespace

std::string SlashedPath(std::string s) {
  for (char& c : s) {
    if (c == '\\') c = '/';
  }
  return s;
}

std::string InstalledName(const ZipEntry& e) {
  std::string file = e.filePart;
  if (e.folderPart.empty()) {
    const std::string g = Utf8NameToAnsi(file);
    if (IsPlainFileName(g)) file = g;
  }
  return SlashedPath(Decoded(e.folderPart) + file);
}

std::string EntryText(const ZipEntry& e) { return TerminalText(InstalledName(e)); }

std::string IntendedText(const ZipEntry& e) {
  const std::string stored = SlashedPath(e.folderPart + e.filePart);
  const std::u16string wide = platform::Utf8ToWide(stored);
  if (platform::WideToUtf8(wide) != stored) return TerminalText(stored);  // not UTF-8: GBK, as the unpack reads it
#ifdef _WIN32
  return TerminalText(platform::WideToAnsi(wide));
#else
  for (char c : stored) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return TerminalText(stored);
  }
  return stored;
#endif
}

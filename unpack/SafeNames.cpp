#include "unpack/SafeNames.h"

#include <cstring>

#include "common/TextHelpers.h"

namespace {
// Only dots and blanks with at least two dots: "..", "...", ". ." all end up
// as the parent folder once Windows drops trailing dots and blanks.
bool IsDotsComponent(const std::string& c) {
  int dots = 0;
  for (char ch : c) {
    if (ch == '.') {
      ++dots;
    } else if (ch != ' ') {
      return false;
    }
  }
  return dots >= 2;
}

// CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension: Windows
// opens the device, wherever the folder.
bool IsDeviceName(const std::string& c) {
  std::string base = c.substr(0, c.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  base = AsciiUpper(base);
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

bool IsSafeComponent(const std::string& c) { return !IsDotsComponent(c) && !IsDeviceName(c); }
}  // namespace

bool IsSafePathPart(const std::string& part) {
  // Split at every "\", "/" and ":" byte, even the second byte of a double-byte
  // character: stricter than the file system, never looser.
  size_t start = 0;
  for (size_t i = 0; i <= part.size(); ++i) {
    if (i < part.size()) {
      unsigned char c = static_cast<unsigned char>(part[i]);
      if (c < 0x20) return false;
      if (c != '\\' && c != '/' && c != ':') continue;
    }
    if (!IsSafeComponent(part.substr(start, i - start))) return false;
    start = i + 1;
  }
  return true;
}

bool IsPlainFileName(const std::string& name) {
  if (name.empty() || !IsSafePathPart(name)) return false;
  // A trail byte may be 0x5C and is part of its character.
  for (size_t i = 0; i < name.size(); i += AnsiCharSize(name, i)) {
    if (std::strchr("\\/:*?\"<>|", name[i])) return false;
  }
  return true;
}

bool IsBarePackageName(const std::string& name, PackageNameRule rule) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char ch : name) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F || c == '\\' || c == '/' || c == ':' || c == '"') return false;
    const bool plain = std::isdigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || std::strchr("._-+~()!@", c);
    if (rule == PackageNameRule::kPublishWrites && !plain) return false;
  }
  return rule == PackageNameRule::kInstallerTakes || IsPlainFileName(name);
}

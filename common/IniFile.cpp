#include "common/IniFile.h"

#include <cstring>

#include "common/TextHelpers.h"
#include "platform/codepage.h"

namespace {
constexpr size_t kMaxValue = 2047;  // the caller's buffer holds 2048 with the terminator

constexpr std::string_view kBlanks = " \t\r\n\v\f";

bool IsBlank(char c) { return kBlanks.find(c) != std::string_view::npos; }
}  // namespace

std::string IniLookup(const std::string& text, const std::string& section, const std::string& key) {
  const char* p = text.data();
  const char* end = p + text.size();
  // A file saved as UTF-8 with a byte-order mark is read as UTF-8, as the system does.
  bool utf8 = text.size() >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0;
  if (utf8) p += 3;
  const std::string wantKey = Trim(key, kBlanks);
  bool inSection = false, seenSection = false;
  while (p < end) {
    const char* eol = static_cast<const char*>(std::memchr(p, '\n', end - p));
    if (!eol) eol = end;
    const char* b = p;
    p = (eol < end) ? eol + 1 : end;
    while (b < eol && IsBlank(*b)) ++b;
    if (b == eol) continue;
    if (*b == '[') {
      const char* close = static_cast<const char*>(std::memchr(b, ']', eol - b));
      if (close) {
        if (inSection) return std::string();  // only the first section of that name is read
        inSection = !seenSection && SameText({b + 1, size_t(close - b - 1)}, section);
        seenSection = seenSection || inSection;
        continue;
      }
    }
    if (!inSection) continue;
    const char* eq = static_cast<const char*>(std::memchr(b, '=', eol - b));
    const char* keyEnd = eq ? eq : eol;
    if (!SameText(Trim({b, size_t(keyEnd - b)}, kBlanks), wantKey)) continue;
    std::string v = eq ? Trim({eq + 1, size_t(eol - eq - 1)}, kBlanks) : std::string();
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
    if (utf8) v = platform::WideToAnsi(platform::Utf8ToWide(v));
    if (v.size() > kMaxValue) v.resize(kMaxValue);
    return v;
  }
  return std::string();
}

#include "unpack/Utf8Name.h"

namespace {
bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }
}  // namespace

bool DecodeUtf8Name(const std::string& s, std::u16string* out) {
  out->clear();
  const size_t n = s.size();
  for (size_t i = 0; i < n;) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      *out += static_cast<char16_t>(c);
      ++i;
      continue;
    }
    size_t len = c >= 0xE0 ? 3 : 2;
    if (i + len > n) return false;
    unsigned char c1 = static_cast<unsigned char>(s[i + 1]);
    if (!IsContinuation(c1)) return false;
    char16_t ch;
    if (len == 2) {
      ch = static_cast<char16_t>((c & 0x1F) << 6 | (c1 & 0x3F));
    } else {
      unsigned char c2 = static_cast<unsigned char>(s[i + 2]);
      if (!IsContinuation(c2)) return false;
      ch = static_cast<char16_t>((c & 0x0F) << 12 | (c1 & 0x3F) << 6 | (c2 & 0x3F));
    }
    *out += ch;
    i += len;
  }
  return true;
}

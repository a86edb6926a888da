#include "tools/kit/version_label.h"

#include <vector>

#include "common/TextHelpers.h"

namespace {
constexpr int kFontPixels = 20;

// Advances of " " to "~" at 20 pixels in the CJK font the installer's text is
// drawn with (its Latin letters are proportional).
constexpr unsigned char kAsciiAdvance[95] = {
    5,  5,  8,  13, 11, 17, 14, 5,  6,  6,  11, 11, 5,  6,  5,  7,  11, 11, 11, 11, 11, 11, 11, 11,
    11, 11, 5,  5,  11, 11, 11, 9,  17, 12, 12, 12, 14, 11, 10, 14, 14, 7,  5,  12, 10, 17, 15, 15,
    12, 15, 12, 10, 10, 14, 11, 18, 11, 11, 11, 6,  7,  6,  11, 8,  12, 11, 12, 9,  12, 11, 7,  10,
    12, 5,  5,  10, 5,  18, 12, 12, 12, 12, 8,  9,  7,  12, 10, 15, 10, 10, 9,  7,  11, 7,  11};

struct Glyph {
  size_t start, length;
  int width;
};

std::vector<Glyph> Glyphs(const std::string& s) {
  std::vector<Glyph> g;
  for (size_t i = 0; i < s.size(); i += g.back().length) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    if (AnsiCharSize(s, i) == 2) g.push_back({i, 2, kFontPixels});
    else g.push_back({i, 1, b >= 0x20 && b < 0x7F ? kAsciiAdvance[b - 0x20] : kFontPixels / 2});
  }
  return g;
}
}  // namespace

int VersionTextWidth(const std::string& gbk) {
  int w = 0;
  for (const Glyph& g : Glyphs(gbk)) w += g.width;
  return w;
}

std::string VersionTextShown(const std::string& gbk) {
  // Centred text starts (label - text) / 2 pixels in, left of the label when wider.
  int x = (kVersionLabelWidth - VersionTextWidth(gbk)) / 2;
  std::string shown;
  for (const Glyph& g : Glyphs(gbk)) {
    if (x >= 0 && x + g.width <= kVersionLabelWidth) shown += gbk.substr(g.start, g.length);
    x += g.width;
  }
  return shown;
}

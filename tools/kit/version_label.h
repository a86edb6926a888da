// How the installer's install-location page shows the version text: a label
// 60 pixels wide, 20-pixel 微软雅黑, centred and clipped at both sides.
#pragma once
#include <string>

constexpr int kVersionLabelWidth = 60;

// The text's width in pixels at the label's font (GBK text). Printable ASCII has
// the font's own advances, every double-byte character the full 20 pixels.
int VersionTextWidth(const std::string& gbk);

// The characters that lie wholly inside the label (GBK text): all of them when
// the text fits.
std::string VersionTextShown(const std::string& gbk);

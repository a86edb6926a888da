// Paints the control tree of the window: the silver frame, panels, the current
// page of each stack, pictures through GDI+ and labels through GDI, composed
// off-screen and copied in one go.
#pragma once
#include <windows.h>

#include <string>

#include "ui/FSpeedInstall.h"

namespace ui::win32 {

constexpr int kInset = 1;  // the silver frame around the content
constexpr int kOuterWidth = kClientWidth + 2 * kInset;
constexpr int kOuterHeight = kClientHeight + 2 * kInset;

COLORREF Rgb(Color c);
// The window's texts are UTF-8: drawn from their UTF-16 form, they read the
// same whatever the system's ANSI code page.
std::wstring Wide(const std::string& utf8);
HFONT MakeFont(const Font& font);

struct GdiObject {
  HGDIOBJ h;
  ~GdiObject() {
    if (h) ::DeleteObject(h);
  }
};

// Paints the `dirty` part of the window whose content is `root`'s children.
void PaintWindow(HDC target, const RECT& dirty, const Control& root);

}  // namespace ui::win32

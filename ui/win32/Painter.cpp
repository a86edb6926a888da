#include "ui/win32/Painter.h"

#include <objidl.h>
#include <gdiplus.h>

#include "platform/codepage.h"
#include "ui/win32/GdiImage.h"

namespace ui::win32 {

COLORREF Rgb(Color c) { return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

std::wstring Wide(const std::string& utf8) {
  std::u16string w = platform::Utf8ToWide(utf8);
  return std::wstring(w.begin(), w.end());
}

HFONT MakeFont(const Font& f) {
  return ::CreateFontW(-f.height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Wide(f.name).c_str());
}

namespace {

// An off-screen bitmap selected into a memory DC, as large as the window.
struct BackBuffer {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  BackBuffer(HDC target, int w, int h) {
    dc = ::CreateCompatibleDC(target);
    bitmap = ::CreateCompatibleBitmap(target, w, h);
    if (dc && bitmap) old = ::SelectObject(dc, bitmap);
  }
  ~BackBuffer() {
    if (dc && old) ::SelectObject(dc, old);
    if (bitmap) ::DeleteObject(bitmap);
    if (dc) ::DeleteDC(dc);
  }
  bool ok() const { return dc && bitmap; }
};

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r;
  if (!::IntersectRect(&r, &a, &b)) ::SetRectEmpty(&r);
  return r;
}

void Fill(HDC dc, const RECT& r, Color c) {
  GdiObject brush{::CreateSolidBrush(Rgb(c))};
  ::FillRect(dc, &r, static_cast<HBRUSH>(brush.h));
}

void PaintLabel(HDC dc, const Label& l, const RECT& rect, const RECT& parentClip) {
  RECT clip = l.fixedSize ? Intersect(rect, parentClip) : parentClip;
  if (l.opaque) Fill(dc, Intersect(rect, parentClip), l.fillColor);
  if (l.text.empty() || ::IsRectEmpty(&clip)) return;
  int saved = ::SaveDC(dc);
  ::IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
  GdiObject font{MakeFont(l.font)};
  ::SelectObject(dc, font.h);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, Rgb(l.font.color));
  UINT flags = DT_SINGLELINE | DT_NOPREFIX;
  if (l.centre) flags |= DT_CENTER;
  if (l.middle) flags |= DT_VCENTER;
  RECT box = rect;
  if (!l.fixedSize) {
    flags |= DT_NOCLIP;
    if (!l.centre) box.right = parentClip.right;  // an auto-sized label grows to the right
  }
  std::wstring text = Wide(l.text);
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, flags);
  ::RestoreDC(dc, saved);
}

void PaintControl(HDC dc, const Control& c, int ox, int oy, const RECT& parentClip) {
  if (!c.visible) return;
  RECT rect = {ox + c.x, oy + c.y, ox + c.x + c.width, oy + c.y + c.height};
  RECT clip = Intersect(rect, parentClip);
  switch (c.kind()) {
    case Kind::Panel:
      if (::IsRectEmpty(&clip)) return;
      Fill(dc, clip, static_cast<const Panel&>(c).color);
      break;
    case Kind::PageStack: {
      const auto& pages = c.children();
      int i = static_cast<const PageStack&>(c).pageIndex();
      if (i >= 0 && i < static_cast<int>(pages.size())) PaintControl(dc, *pages[i], rect.left, rect.top, clip);
      return;
    }
    case Kind::Picture: {
      auto* p = static_cast<const Picture&>(c).image.get();
      if (!p || ::IsRectEmpty(&clip)) return;
      Gdiplus::Graphics g(dc);
      g.SetClip(Gdiplus::Rect(clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top));
      g.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
      g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
      static_cast<GdiImage*>(p)->Draw(g, rect.left, rect.top);
      return;
    }
    case Kind::Label:
      PaintLabel(dc, static_cast<const Label&>(c), rect, parentClip);
      return;
    case Kind::Edit:
      Fill(dc, clip, static_cast<const Edit&>(c).background);  // the edit window paints the rest
      return;
  }
  for (const Control* child : c.children()) PaintControl(dc, *child, rect.left, rect.top, clip);
}

}  // namespace

void PaintWindow(HDC target, const RECT& dirty, const Control& root) {
  BackBuffer buf(target, kOuterWidth, kOuterHeight);
  if (!buf.ok()) return;
  RECT all = {0, 0, kOuterWidth, kOuterHeight};
  Fill(buf.dc, Intersect(all, dirty), kFrameColor);
  RECT content = {kInset, kInset, kInset + kClientWidth, kInset + kClientHeight};
  content = Intersect(content, dirty);
  if (!::IsRectEmpty(&content)) {
    int saved = ::SaveDC(buf.dc);
    ::IntersectClipRect(buf.dc, content.left, content.top, content.right, content.bottom);
    for (const Control* c : root.children()) PaintControl(buf.dc, *c, kInset, kInset, content);
    ::RestoreDC(buf.dc, saved);
  }
  ::BitBlt(target, dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top, buf.dc, dirty.left,
           dirty.top, SRCCOPY);
}

}  // namespace ui::win32

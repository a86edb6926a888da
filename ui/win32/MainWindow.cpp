#include "ui/win32/MainWindow.h"

#include <objidl.h>
#include <gdiplus.h>
#include <windowsx.h>

#include <string>

#include "platform/codepage.h"
#include "platform/pump.h"
#include "ui/HandlerGuard.h"
#include "ui/UnitFormImage5.h"
#include "ui/win32/GdiImage.h"

namespace ui::win32 {
namespace {

constexpr int kInset = 1;  // the silver frame around the content
constexpr int kOuterWidth = kClientWidth + 2 * kInset;
constexpr int kOuterHeight = kClientHeight + 2 * kInset;
constexpr UINT_PTR kAnimationTimer = 100;
constexpr wchar_t kWindowClass[] = L"TfrmSpeedInstall";
constexpr wchar_t kAppClass[] = L"TApplication";

COLORREF Rgb(Color c) { return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

// The window's texts are UTF-8: drawn from their UTF-16 form, they read the
// same whatever the system's ANSI code page.
std::wstring Wide(const std::string& utf8) {
  std::u16string w = platform::Utf8ToWide(utf8);
  return std::wstring(w.begin(), w.end());
}

struct GdiObject {
  HGDIOBJ h;
  ~GdiObject() {
    if (h) ::DeleteObject(h);
  }
};

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

HFONT MakeFont(const Font& f) {
  return ::CreateFontW(-f.height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Wide(f.name).c_str());
}

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

class WindowNotify : public NotifyTarget {
 public:
  explicit WindowNotify(HWND h) : h_(h) {}
  // A window that is gone answers at once.
  void SendDownloadFailed(uint32_t jobId) override { ::SendMessageA(h_, WM_DOWNLOAD_FAILED, jobId, 0); }

 private:
  HWND h_;
};

}  // namespace

MainWindow::MainWindow(TfrmSpeedInstall& form) : form_(form), router_(form) {
  form_.AttachHost(this);
  SetImageSource(this);
}

MainWindow::~MainWindow() {
  SetNotifyWindow(nullptr);
  SetImageSource(nullptr);
  form_.AttachHost(nullptr);
  if (hwnd_) ::DestroyWindow(hwnd_);
  if (appWnd_) ::DestroyWindow(appWnd_);
  if (editFont_) ::DeleteObject(editFont_);
  if (editBrush_) ::DeleteObject(editBrush_);
}

bool MainWindow::Create(HINSTANCE instance) {
  HICON icon = ::LoadIconA(instance, "MAINICON");
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  // A double-click arrives as its own message, so its second press is not
  // taken for a new click.
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &MainWindow::Proc;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = kWindowClass;
  if (!::RegisterClassExW(&wc)) return false;
  WNDCLASSEXW ac = wc;
  ac.style = 0;
  ac.lpfnWndProc = ::DefWindowProcW;
  ac.lpszClassName = kAppClass;
  ::RegisterClassExW(&ac);

  const int left = (::GetSystemMetrics(SM_CXVIRTUALSCREEN) - kOuterWidth) / 2;
  const int top = (::GetSystemMetrics(SM_CYVIRTUALSCREEN) - kOuterHeight) / 2;
  // The taskbar shows the application's title: an unowned, empty window
  // carries it and owns the installer window.
  appWnd_ = ::CreateWindowExW(0, kAppClass, L"Veltaro", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                              left + kOuterWidth / 2, top + kOuterHeight / 2, 0, 0, nullptr, nullptr, instance,
                              nullptr);
  hwnd_ = ::CreateWindowExW(0, kWindowClass, Wide(form_.caption).c_str(), WS_POPUP | WS_CLIPCHILDREN, left, top,
                            kOuterWidth, kOuterHeight, appWnd_, nullptr, instance, this);
  if (!hwnd_) return false;

  const Edit& e = *form_.edtAZLJ;
  editFont_ = MakeFont(e.font);
  editBrush_ = ::CreateSolidBrush(Rgb(e.background));
  edit_ = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_AUTOHSCROLL, kInset + e.WindowX(), kInset + e.WindowY(),
                            e.width, e.height, hwnd_, nullptr, instance, nullptr);
  if (edit_) ::SendMessageA(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(editFont_), FALSE);

  for (Timer* t : form_.timers()) TimerChanged(*t);
  RunGuarded(hwnd_, [this] { form_.FormShow(); });
  if (appWnd_) ::ShowWindow(appWnd_, SW_SHOWNORMAL);
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  ::UpdateWindow(hwnd_);
  return true;
}

LRESULT CALLBACK MainWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* created = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    created->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || self->hwnd_ != hwnd) return ::DefWindowProcW(hwnd, msg, wp, lp);
  LRESULT result = 0;
  RunGuarded(hwnd, [&] { result = self->Handle(msg, wp, lp); });
  return result;
}

void MainWindow::OnMouse(UINT msg, LPARAM lp) {
  const int x = GET_X_LPARAM(lp) - kInset, y = GET_Y_LPARAM(lp) - kInset;
  switch (msg) {
    case WM_MOUSEMOVE:
      if (!tracking_) {
        TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, hwnd_, 0};
        tracking_ = ::TrackMouseEvent(&tme) != FALSE;
      }
      router_.Move(x, y);
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      ::SetCapture(hwnd_);
      router_.Down(x, y, msg == WM_LBUTTONDOWN ? MouseButton::Left
                         : msg == WM_RBUTTONDOWN ? MouseButton::Right
                                                 : MouseButton::Middle);
      break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      ::SetCapture(hwnd_);
      router_.DoubleDown(x, y, msg == WM_LBUTTONDBLCLK ? MouseButton::Left
                               : msg == WM_RBUTTONDBLCLK ? MouseButton::Right
                                                         : MouseButton::Middle);
      break;
    default:
      if (::GetCapture() == hwnd_) ::ReleaseCapture();
      router_.Up(x, y, msg == WM_LBUTTONUP ? MouseButton::Left
                       : msg == WM_RBUTTONUP ? MouseButton::Right
                                             : MouseButton::Middle);
      break;
  }
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd_, &ps);
      Paint(dc, ps.rcPaint);
      ::EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      OnMouse(msg, lp);
      return 0;
    case WM_MOUSELEAVE:
      tracking_ = false;
      router_.LeaveWindow();
      return 0;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wp) == hwnd_ && LOWORD(lp) == HTCLIENT) {
        // The system asks before it posts the move: the control under the
        // pointer now decides, not the one the last move found.
        POINT pt = {0, 0};
        ::GetCursorPos(&pt);
        ::ScreenToClient(hwnd_, &pt);
        Control* c = HitTest(*form_.root(), pt.x - kInset, pt.y - kInset);
        ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(c && c->handCursor ? IDC_HAND : IDC_ARROW)));
        return TRUE;
      }
      break;
    case WM_TIMER:
      if (wp == kAnimationTimer) {
        OnAnimationTick();
      } else if (wp >= 1 && wp <= form_.timers().size()) {
        Timer* t = form_.timers()[wp - 1];
        if (t->enabled) t->Fire();
      }
      return 0;
    case WM_CTLCOLOREDIT:
      if (reinterpret_cast<HWND>(lp) == edit_) {
        HDC dc = reinterpret_cast<HDC>(wp);
        ::SetTextColor(dc, Rgb(form_.edtAZLJ->font.color));
        ::SetBkColor(dc, Rgb(form_.edtAZLJ->background));
        return reinterpret_cast<LRESULT>(editBrush_);
      }
      break;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lp) == edit_ && HIWORD(wp) == EN_CHANGE && !syncing_) {
        int n = ::GetWindowTextLengthA(edit_);
        std::string text(static_cast<size_t>(n) + 1, '\0');
        n = ::GetWindowTextA(edit_, &text[0], n + 1);
        text.resize(static_cast<size_t>(n > 0 ? n : 0));
        form_.edtAZLJ->text = text;
      }
      return 0;
    case WM_DOWNLOAD_FAILED:
      form_.HandleDownloadFailed(static_cast<uint32_t>(wp));
      return 0;
    case WM_DESTROY:
      for (UINT_PTR id = 1; id <= form_.timers().size(); ++id) ::KillTimer(hwnd_, id);
      ::KillTimer(hwnd_, kAnimationTimer);
      hwnd_ = nullptr;
      ::PostQuitMessage(0);
      return 0;
  }
  return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

// Composes the dirty part off-screen, then copies it in one go.
void MainWindow::Paint(HDC target, const RECT& dirty) {
  BackBuffer buf(target, kOuterWidth, kOuterHeight);
  if (!buf.ok()) return;
  RECT all = {0, 0, kOuterWidth, kOuterHeight};
  Fill(buf.dc, Intersect(all, dirty), kFrameColor);
  RECT content = {kInset, kInset, kInset + kClientWidth, kInset + kClientHeight};
  content = Intersect(content, dirty);
  if (!::IsRectEmpty(&content)) {
    int saved = ::SaveDC(buf.dc);
    ::IntersectClipRect(buf.dc, content.left, content.top, content.right, content.bottom);
    for (const Control* c : form_.root()->children()) PaintControl(buf.dc, *c, kInset, kInset, content);
    ::RestoreDC(buf.dc, saved);
  }
  ::BitBlt(target, dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top, buf.dc, dirty.left,
           dirty.top, SRCCOPY);
}

void MainWindow::SyncEdit() {
  if (!edit_) return;
  const Edit& e = *form_.edtAZLJ;
  int n = ::GetWindowTextLengthA(edit_);
  std::string shown(static_cast<size_t>(n) + 1, '\0');
  n = ::GetWindowTextA(edit_, &shown[0], n + 1);
  shown.resize(static_cast<size_t>(n > 0 ? n : 0));
  if (shown != e.text) {
    syncing_ = true;
    ::SetWindowTextA(edit_, e.text.c_str());
    syncing_ = false;
  }
  const bool show = e.Showing();
  if ((::IsWindowVisible(edit_) != FALSE) != show) ::ShowWindow(edit_, show ? SW_SHOWNA : SW_HIDE);
}

void MainWindow::Invalidate() {
  if (!hwnd_) return;
  SyncEdit();
  ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void MainWindow::MeasureText(const Font& font, const std::string& text, int* width, int* height) {
  HDC dc = ::GetDC(hwnd_);
  if (!dc) return;
  GdiObject f{MakeFont(font)};
  HGDIOBJ old = ::SelectObject(dc, f.h);
  std::wstring w = Wide(text);
  SIZE size;
  if (::GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size)) {
    *width = size.cx;
    *height = size.cy;
  }
  ::SelectObject(dc, old);
  ::ReleaseDC(hwnd_, dc);
}

void MainWindow::ProcessMessages() { platform::PumpWaitingMessages(); }

void MainWindow::BeginDrag() {
  if (!hwnd_) return;
  ::ReleaseCapture();
  ::SendMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
  // The move loop took the button's release.
  router_.CancelPress();
}

void MainWindow::TimerChanged(Timer& timer) {
  if (!hwnd_) return;
  auto all = form_.timers();
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i] != &timer) continue;
    if (timer.enabled) ::SetTimer(hwnd_, i + 1, timer.interval, nullptr);
    else ::KillTimer(hwnd_, i + 1);
  }
}

std::shared_ptr<Image> MainWindow::LoadResourceImage(const std::string& resourceName, ImageFormat format) {
  std::shared_ptr<GdiImage> img = GdiImage::FromResource(resourceName, format);
  if (img && img->animated()) StartAnimation();
  return img;
}

void MainWindow::StartAnimation() {
  if (!hwnd_) return;
  lastAnimTick_ = ::GetTickCount();
  ::SetTimer(hwnd_, kAnimationTimer, 10, nullptr);
}

// Animated pictures play by themselves, whether shown or not.
void MainWindow::OnAnimationTick() {
  const DWORD now = ::GetTickCount();
  const unsigned elapsed = now - lastAnimTick_;
  lastAnimTick_ = now;
  bool any = false;
  for (const auto& c : form_.components()) {
    if (c->kind() != Kind::Picture) continue;
    auto* p = static_cast<Picture*>(c.get());
    auto* img = static_cast<GdiImage*>(p->image.get());
    if (!img || !img->animated()) continue;
    any = true;
    if (img->Advance(elapsed) && p->Showing()) {
      RECT r = {kInset + p->WindowX(), kInset + p->WindowY(), kInset + p->WindowX() + p->width,
                kInset + p->WindowY() + p->height};
      ::InvalidateRect(hwnd_, &r, FALSE);
    }
  }
  if (!any) ::KillTimer(hwnd_, kAnimationTimer);
}

std::shared_ptr<NotifyTarget> MainWindow::MakeNotifyTarget() { return std::make_shared<WindowNotify>(hwnd_); }

void MainWindow::Close() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

}  // namespace ui::win32

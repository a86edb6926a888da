#include "ui/win32/MainWindow.h"

#include <windowsx.h>

#include <string>

#include "platform/pump.h"
#include "ui/HandlerGuard.h"
#include "ui/UnitFormImage5.h"
#include "ui/win32/GdiImage.h"
#include "ui/win32/Painter.h"

namespace ui::win32 {
namespace {

constexpr UINT_PTR kAnimationTimer = 100;
constexpr wchar_t kWindowClass[] = L"TfrmSpeedInstall";
constexpr wchar_t kAppClass[] = L"TApplication";

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

namespace {
// The button of a message that is `left`'s, `right`'s or the middle button's.
MouseButton ButtonOf(UINT msg, UINT left, UINT right) {
  return msg == left ? MouseButton::Left : msg == right ? MouseButton::Right : MouseButton::Middle;
}
}  // namespace

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
      router_.Down(x, y, ButtonOf(msg, WM_LBUTTONDOWN, WM_RBUTTONDOWN));
      break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      ::SetCapture(hwnd_);
      router_.DoubleDown(x, y, ButtonOf(msg, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK));
      break;
    default:
      if (::GetCapture() == hwnd_) ::ReleaseCapture();
      router_.Up(x, y, ButtonOf(msg, WM_LBUTTONUP, WM_RBUTTONUP));
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
      PaintWindow(dc, ps.rcPaint, *form_.root());
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

// The real window on a display: the pointer's shape when the system asks for
// it, before the move that brought the pointer there has been handled.
#include <windows.h>

#include <gtest/gtest.h>

#include "ui/FSpeedInstall.h"
#include "ui/win32/GdiImage.h"
#include "ui/win32/MainWindow.h"

namespace {
HCURSOR Asked(HWND w) {
  ::SetCursor(nullptr);
  ::SendMessageW(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  return ::GetCursor();
}
}  // namespace

TEST(Pointer, TheControlUnderThePointerNowDecidesItsShape) {
  ui::win32::GdiplusSession gdiplus;
  ui::TfrmSpeedInstall form;
  ui::win32::MainWindow window(form);
  ASSERT_TRUE(window.Create(::GetModuleHandleA(nullptr)));
  HWND w = static_cast<HWND>(window.Handle());
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&m);

  const HCURSOR hand = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND));
  const HCURSOR arrow = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  // Points of page 0 (window coordinates): the blue button, the background, the close cross.
  const struct {
    int x, y;
    HCURSOR shape;
  } cases[] = {{250, 400, hand}, {30, 300, arrow}, {250, 400, hand}, {621, 18, hand}};
  POINT origin = {0, 0};
  ::ClientToScreen(w, &origin);
  for (const auto& c : cases) {
    // The move this queues is not handled before the question.
    ASSERT_TRUE(::SetCursorPos(origin.x + c.x, origin.y + c.y));
    EXPECT_EQ(Asked(w), c.shape) << c.x << "," << c.y;
  }
  window.Close();
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&m);
}

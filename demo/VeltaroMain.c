/* The demo product itself: a small window that says what it is, its version
   and the folder it was installed to. */
#include <windows.h>

#include "demo_util.h"

#define WINDOW_W 480
#define WINDOW_H 220

static wchar_t g_folder[MAX_PATH];
static HFONT g_titleFont, g_textFont;

static HFONT MakeFont(int height, int weight) {
  return CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"微软雅黑");
}

static void Paint(HWND w) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(w, &ps);
  RECT client;
  GetClientRect(w, &client);
  RECT band = client;
  band.bottom = 64;
  HBRUSH blue = CreateSolidBrush(RGB(0x2E, 0x7B, 0xFB));
  FillRect(dc, &band, blue);
  DeleteObject(blue);
  SetBkMode(dc, TRANSPARENT);

  HGDIOBJ old = SelectObject(dc, g_titleFont);
  SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
  RECT r = {24, 14, client.right - 24, 60};
  DrawTextW(dc, L"Veltaro365 演示版", -1, &r, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);

  SelectObject(dc, g_textFont);
  SetTextColor(dc, RGB(0x33, 0x33, 0x33));
  wchar_t line[MAX_PATH + 64];
  wsprintfW(line, L"版本：%s", VELTARO_DEMO_VERSION);
  RECT r2 = {24, 84, client.right - 24, 110};
  DrawTextW(dc, line, -1, &r2, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
  wsprintfW(line, L"安装位置：%s", g_folder);
  RECT r3 = {24, 114, client.right - 24, 160};
  DrawTextW(dc, line, -1, &r3, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DT_PATH_ELLIPSIS);
  RECT r4 = {24, 168, client.right - 24, 194};
  SetTextColor(dc, RGB(0x88, 0x88, 0x88));
  DrawTextW(dc, L"由 Veltaro 在线安装程序安装的演示程序。", -1, &r4, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
  EndPaint(w, &ps);
}

static LRESULT CALLBACK WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      Paint(w);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(w, msg, wp, lp);
}

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE prev, LPWSTR cmd, int show) {
  (void)prev, (void)cmd;
  if (!ExeFolder(g_folder, MAX_PATH)) return 1;
  size_t n = lstrlenW(g_folder);
  if (n > 3) g_folder[n - 1] = 0; /* shown without its trailing backslash */
  g_titleFont = MakeFont(24, FW_BOLD);
  g_textFont = MakeFont(15, FW_NORMAL);

  WNDCLASSW wc;
  ZeroMemory(&wc, sizeof wc);
  wc.lpfnWndProc = WndProc;
  wc.hInstance = inst;
  wc.hIcon = LoadIconW(inst, MAKEINTRESOURCEW(1));
  wc.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
  wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
  wc.lpszClassName = L"VeltaroDemoMain";
  if (!RegisterClassW(&wc)) return 1;

  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame = {0, 0, WINDOW_W, WINDOW_H};
  AdjustWindowRect(&frame, style, FALSE);
  int fw = frame.right - frame.left, fh = frame.bottom - frame.top;
  HWND w = CreateWindowW(wc.lpszClassName, L"Veltaro365 演示版", style, (GetSystemMetrics(SM_CXSCREEN) - fw) / 2,
                         (GetSystemMetrics(SM_CYSCREEN) - fh) / 2, fw, fh, NULL, NULL, inst, NULL);
  if (!w) return 1;
  ShowWindow(w, show);
  UpdateWindow(w);
  MSG m;
  while (GetMessageW(&m, NULL, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  DeleteObject(g_titleFont);
  DeleteObject(g_textFont);
  return 0;
}

#include "ui/win32/Application.h"

#include <windows.h>

#include "platform/shell.h"
#include "ui/win32/GdiImage.h"
#include "ui/win32/MainWindow.h"

namespace ui::win32 {

void RunApplication(const FlowFactory& makeFlow) {
  platform::ComApartment com;  // the new-style folder picker needs an STA
  GdiplusSession gdiplus;
  TfrmSpeedInstall form;
  std::shared_ptr<void> flow = makeFlow ? makeFlow(form) : nullptr;
  MainWindow window(form);
  if (!window.Create(::GetModuleHandleA(nullptr))) return;
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

}  // namespace ui::win32

// The real window of TfrmSpeedInstall: a borderless popup that shows the
// control tree (Painter.h) and feeds it mouse, timer and edit events.
#pragma once
#include <windows.h>

#include <memory>

#include "ui/FSpeedInstall.h"
#include "ui/Host.h"
#include "ui/MouseRouter.h"

namespace ui::win32 {

class MainWindow : public Host {
 public:
  explicit MainWindow(TfrmSpeedInstall& form);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window, runs the show handler, then shows it.
  bool Create(HINSTANCE instance);
  bool alive() const { return hwnd_ != nullptr; }

  void Invalidate() override;
  void MeasureText(const Font& font, const std::string& text, int* width, int* height) override;
  void ProcessMessages() override;
  void BeginDrag() override;
  void TimerChanged(Timer& timer) override;
  std::shared_ptr<Image> LoadResourceImage(const std::string& resourceName, ImageFormat format) override;
  std::shared_ptr<NotifyTarget> MakeNotifyTarget() override;
  void* Handle() override { return hwnd_; }
  void* AppHandle() override { return appWnd_; }
  void Close() override;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void SyncEdit();
  void OnMouse(UINT msg, LPARAM lp);
  void StartAnimation();
  void OnAnimationTick();

  TfrmSpeedInstall& form_;
  MouseRouter router_;
  HWND appWnd_ = nullptr;  // owner that carries the taskbar title
  HWND hwnd_ = nullptr;
  HWND edit_ = nullptr;
  HFONT editFont_ = nullptr;
  HBRUSH editBrush_ = nullptr;
  bool tracking_ = false;
  bool syncing_ = false;
  DWORD lastAnimTick_ = 0;
};

}  // namespace ui::win32

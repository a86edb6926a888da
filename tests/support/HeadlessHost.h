// Drives the window without an OS window, for tests: a virtual clock for the
// timers, pointer events by point or by control name, a message queue that
// other threads post to (the download engine's blocking notices), and pictures
// that are only their resource names.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ui/FSpeedInstall.h"
#include "ui/Host.h"
#include "ui/MouseRouter.h"

namespace ui {

class HeadlessQueue;

class HeadlessHost : public Host {
 public:
  explicit HeadlessHost(TfrmSpeedInstall& form);
  ~HeadlessHost() override;

  void Show();  // runs the show handler

  // Virtual time: fires every due timer in order of its due time, each as
  // often as its period fits.
  void Advance(uint32_t ms);
  uint64_t now() const { return now_; }

  // Pointer input at window coordinates. Like the window's messages, each runs
  // its handlers in the handler guard.
  void MouseMove(int x, int y);
  void MouseDown(int x, int y, MouseButton b);
  // The second press of a double-click (the system tells it from a plain press).
  void MouseDoubleDown(int x, int y, MouseButton b);
  void MouseUp(int x, int y, MouseButton b);
  void MouseLeaveWindow();
  // The same at the centre of a control (which must exist).
  void HoverOver(const std::string& name);
  void Press(const std::string& name, MouseButton b = MouseButton::Left);
  void Release(const std::string& name, MouseButton b = MouseButton::Left);
  void ClickOn(const std::string& name);
  // A click, then a second press and release at the same point.
  void DoubleClickOn(const std::string& name);

  // Host
  void Invalidate() override { ++invalidations; }
  // Half the font's height per ASCII character, the whole height per other
  // one; a line is as high as the font.
  void MeasureText(const Font& font, const std::string& text, int* width, int* height) override;
  void ProcessMessages() override;
  void BeginDrag() override;
  void TimerChanged(Timer& timer) override;
  std::shared_ptr<Image> LoadResourceImage(const std::string& resourceName, ImageFormat format) override;
  std::shared_ptr<NotifyTarget> MakeNotifyTarget() override;
  void* Handle() override { return this; }
  void* AppHandle() override { return &appWindow_; }
  void Close() override { closed = true; }

  int invalidations = 0;
  int pumps = 0;        // ProcessMessages calls
  int drags = 0;        // BeginDrag calls
  bool closed = false;
  int imageLoads = 0;   // resource decodes

 private:
  void Rearm(Timer& t);
  void FireDueTimers();
  // Runs one handler in the handler guard, keeping count of nesting.
  void RunHandler(const std::function<void()>& handler);
  TfrmSpeedInstall& form_;
  MouseRouter router_;
  std::shared_ptr<HeadlessQueue> queue_;
  uint64_t now_ = 0;
  uint64_t due_[4] = {};
  int depth_ = 0;          // handlers running, nested ones included
  uint32_t tickMark_ = 0;  // the tick count the clock last followed
  char appWindow_ = 0;     // its address stands for the application window
};

// The resource name a headless picture stands for, or "" for none.
std::string ImageName(const Picture* p);

}  // namespace ui

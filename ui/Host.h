// What the window needs from whatever shows it: the real Win32 window or the
// headless host of the tests.
#pragma once
#include <memory>
#include <string>

#include "download/Notify.h"
#include "ui/Control.h"

namespace ui {

enum class ImageFormat { Png, Gif };

class Host {
 public:
  virtual ~Host() = default;
  // The tree changed: repaint, and bring the edit box's own window in line.
  virtual void Invalidate() = 0;
  // The size of one line of text in the font: how a label without fixed size
  // sizes itself.
  virtual void MeasureText(const Font& font, const std::string& text, int* width, int* height) = 0;
  // Runs the messages waiting in the UI thread's queue.
  virtual void ProcessMessages() = 0;
  // Hands the window to the system's move loop while the left button is held.
  virtual void BeginDrag() = 0;
  // A timer was enabled, disabled or given a new interval.
  virtual void TimerChanged(Timer& timer) = 0;
  // Decodes the program's raw-data resource; null when there is none or it
  // cannot be decoded.
  virtual std::shared_ptr<Image> LoadResourceImage(const std::string& resourceName, ImageFormat format) = 0;
  // The blocking notice target of the download engine (NotifyWindow).
  virtual std::shared_ptr<NotifyTarget> MakeNotifyTarget() = 0;
  // The system window handle (owner of message boxes), or null.
  virtual void* Handle() = 0;
  // The program's application window (owner of the programs the window
  // starts through the shell), or null.
  virtual void* AppHandle() = 0;
  // Closes the window; the message loop then ends.
  virtual void Close() = 0;
};

}  // namespace ui

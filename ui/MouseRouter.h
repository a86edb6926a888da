// Turns pointer positions and button changes into the window's control events:
// Enter and Leave as the pointer crosses controls, Down and Up on the control
// under the pointer (Up on the one that got the Down), Click on a left release
// over the control that was pressed. Hit-testing follows the stacking order.
// The second press of a double-click is a press whose release raises no Click,
// so a quick double-click never lands a click on what the first one revealed.
#pragma once
#include "ui/Control.h"

namespace ui {

class TfrmSpeedInstall;

// The topmost showing control at window point (x, y), clipped to its parents;
// null outside the window.
Control* HitTest(Control& root, int x, int y);

class MouseRouter {
 public:
  explicit MouseRouter(TfrmSpeedInstall& form) : form_(form) {}
  void Move(int x, int y);
  void Down(int x, int y, MouseButton button);
  void DoubleDown(int x, int y, MouseButton button);
  void Up(int x, int y, MouseButton button);
  void LeaveWindow();
  // The press ended elsewhere (the system's move loop took the button up).
  void CancelPress() {
    pressed_ = nullptr;
    clickless_ = false;
  }
  Control* hovered() const { return hovered_; }

 private:
  TfrmSpeedInstall& form_;
  Control* hovered_ = nullptr;
  Control* pressed_ = nullptr;
  bool clickless_ = false;  // the press at work is the second of a double-click
};

}  // namespace ui

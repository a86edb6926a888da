#include "ui/MouseRouter.h"

#include "ui/FSpeedInstall.h"

namespace ui {
namespace {

Control* HitIn(Control& c, int x, int y) {
  // x, y relative to c's parent
  if (!c.visible || x < c.x || y < c.y || x >= c.x + c.width || y >= c.y + c.height) return nullptr;
  int lx = x - c.x, ly = y - c.y;
  const auto& kids = c.children();
  if (c.kind() == Kind::PageStack) {
    int i = static_cast<PageStack&>(c).pageIndex();
    if (i >= 0 && i < static_cast<int>(kids.size()))
      if (Control* hit = HitIn(*kids[i], lx, ly)) return hit;
    return &c;
  }
  for (auto it = kids.rbegin(); it != kids.rend(); ++it)
    if (Control* hit = HitIn(**it, lx, ly)) return hit;
  return &c;
}

void Run(const std::function<void()>& handler) {
  if (handler) handler();
}

}  // namespace

Control* HitTest(Control& root, int x, int y) { return HitIn(root, x, y); }

void MouseRouter::Move(int x, int y) {
  Control* now = HitTest(*form_.root(), x, y);
  if (now == hovered_) return;
  Control* was = hovered_;
  hovered_ = now;
  if (was) Run(was->onLeave);
  if (now) Run(now->onEnter);
}

void MouseRouter::Down(int x, int y, MouseButton button) {
  Move(x, y);
  pressed_ = hovered_;
  clickless_ = false;
  if (pressed_ && pressed_->onDown) pressed_->onDown(button);
}

void MouseRouter::DoubleDown(int x, int y, MouseButton button) {
  Down(x, y, button);
  clickless_ = pressed_ != nullptr;
}

void MouseRouter::Up(int x, int y, MouseButton button) {
  Control* target = pressed_;
  const bool clickless = clickless_;
  pressed_ = nullptr;
  clickless_ = false;
  if (!target) {
    Move(x, y);
    return;
  }
  Run(target->onUp);
  // A click is a left release over the pressed control, still shown.
  if (button == MouseButton::Left && !clickless && target->Showing() && HitTest(*form_.root(), x, y) == target)
    Run(target->onClick);
  Move(x, y);
}

void MouseRouter::LeaveWindow() {
  Control* was = hovered_;
  hovered_ = nullptr;
  if (was) Run(was->onLeave);
}

}  // namespace ui

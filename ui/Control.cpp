#include "ui/Control.h"

namespace ui {

Control::Control(Kind kind, std::string name, Control* parent, int x, int y, int w, int h)
    : x(x), y(y), width(w), height(h), kind_(kind), name_(std::move(name)), parent_(parent) {
  if (parent_) parent_->children_.push_back(this);
}

int Control::WindowX() const { return parent_ ? parent_->WindowX() + x : x; }
int Control::WindowY() const { return parent_ ? parent_->WindowY() + y : y; }

bool Control::Showing() const {
  if (!visible) return false;
  if (!parent_) return true;
  if (parent_->kind() == Kind::PageStack) {
    const auto& pages = parent_->children();
    int index = static_cast<const PageStack*>(parent_)->pageIndex();
    if (index < 0 || index >= static_cast<int>(pages.size()) || pages[index] != this) return false;
  }
  return parent_->Showing();
}

void PageStack::SetPageIndex(int index) {
  if (index >= 0 && index < static_cast<int>(children().size())) pageIndex_ = index;
}

}  // namespace ui

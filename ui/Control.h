// The window as data: a retained tree of controls that ui/win32 paints and the
// headless host drives. No OS code here. The texts the window draws (labels,
// font names) are UTF-8, so they read the same whatever the system's ANSI code
// page; the edit box holds a path, in the ANSI code page as every path.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {

using Color = uint32_t;  // 0xRRGGBB

enum class Kind { Panel, PageStack, Label, Picture, Edit };
enum class MouseButton { Left, Right, Middle };

struct Font {
  std::string name;  // UTF-8
  int height = 0;    // character height in pixels
  Color color = 0;
};

// A decoded picture; what it holds is up to the host that loaded it.
class Image {
 public:
  virtual ~Image() = default;
  virtual const std::string& ResourceName() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
};

class Control {
 public:
  Control(Kind kind, std::string name, Control* parent, int x, int y, int w, int h);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  Kind kind() const { return kind_; }
  const std::string& name() const { return name_; }
  Control* parent() const { return parent_; }
  const std::vector<Control*>& children() const { return children_; }  // bottom to top

  int x = 0, y = 0, width = 0, height = 0;
  bool visible = true;
  bool handCursor = false;
  // What the pointer's events run (empty: nothing); the window sets them, the
  // install flow its clicks.
  std::function<void()> onClick, onEnter, onLeave, onUp;
  std::function<void(MouseButton)> onDown;

  // Position of the top-left corner in window coordinates.
  int WindowX() const;
  int WindowY() const;
  // Visible itself and every parent visible; a page of a stack counts only
  // while it is the current one.
  bool Showing() const;

 private:
  Kind kind_;
  std::string name_;
  Control* parent_;
  std::vector<Control*> children_;
};

class Panel : public Control {
 public:
  Panel(std::string name, Control* parent, int x, int y, int w, int h, Color color)
      : Control(Kind::Panel, std::move(name), parent, x, y, w, h), color(color) {}
  Color color;
};

// Exactly one child page is shown: the current one.
class PageStack : public Control {
 public:
  PageStack(std::string name, Control* parent, int x, int y, int w, int h)
      : Control(Kind::PageStack, std::move(name), parent, x, y, w, h) {}
  int pageIndex() const { return pageIndex_; }
  void SetPageIndex(int index);  // ignored outside the pages

 private:
  int pageIndex_ = 0;
};

class Label : public Control {
 public:
  Label(std::string name, Control* parent, int x, int y, int w, int h)
      : Control(Kind::Label, std::move(name), parent, x, y, w, h) {}
  std::string text;  // UTF-8
  Font font;
  bool centre = false;       // horizontally
  bool middle = false;       // vertically
  bool fixedSize = false;    // otherwise sized to its text (TfrmSpeedInstall::Changed)
  bool opaque = false;       // filled with fillColor, text drawn over it
  Color fillColor = 0;
  std::string faceName;      // picture control under a button label
};

class Picture : public Control {
 public:
  Picture(std::string name, Control* parent, int x, int y, int w, int h, std::string imageKey, int tag)
      : Control(Kind::Picture, std::move(name), parent, x, y, w, h), imageKey(std::move(imageKey)), tag(tag) {}
  std::string imageKey;  // "folder\name", or empty
  int tag;               // 0 plain, 88 three-state face, 99 two-state face
  std::shared_ptr<Image> image;
};

class Edit : public Control {
 public:
  Edit(std::string name, Control* parent, int x, int y, int w, int h)
      : Control(Kind::Edit, std::move(name), parent, x, y, w, h) {}
  std::string text;  // ANSI: the install folder
  Font font;
  Color background = 0xFFFFFF;
};

struct Timer {
  unsigned interval = 0;  // ms
  bool enabled = false;
  std::function<void()> onTimer;
  void Fire() const {
    if (onTimer) onTimer();
  }
};

}  // namespace ui

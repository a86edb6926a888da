// Pictures decoded with GDI+ from the program's raw-data resources.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/Control.h"
#include "ui/Host.h"

namespace Gdiplus {
class Image;
class Graphics;
}  // namespace Gdiplus

namespace ui::win32 {

class GdiImage : public Image {
 public:
  ~GdiImage() override;
  static std::shared_ptr<GdiImage> FromResource(const std::string& name, ImageFormat format);

  const std::string& ResourceName() const override { return name_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }

  // Draws the current frame at its natural size with its top-left at (x, y).
  void Draw(Gdiplus::Graphics& g, int x, int y);

  bool animated() const { return delaysMs_.size() > 1; }
  unsigned CurrentDelayMs() const;
  // Moves on by `elapsedMs`; true when the frame changed.
  bool Advance(unsigned elapsedMs);

 private:
  GdiImage() = default;
  std::string name_;
  int width_ = 0, height_ = 0;
  IStream* stream_ = nullptr;  // GDI+ reads from it for as long as the image lives
  std::unique_ptr<Gdiplus::Image> image_;
  std::vector<unsigned> delaysMs_;
  unsigned frame_ = 0;
  unsigned intoFrameMs_ = 0;
};

// GDI+ for the life of the object.
class GdiplusSession {
 public:
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

 private:
  ULONG_PTR token_ = 0;
};

}  // namespace ui::win32

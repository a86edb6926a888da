#include "ui/win32/GdiImage.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>

namespace ui::win32 {
namespace {

// FrameDimensionTime and PropertyTagFrameDelay of GDI+.
const GUID kFrameDimensionTime = {0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};
constexpr PROPID kPropertyFrameDelay = 0x5100;

// A copy of the resource bytes as a stream that frees its memory on release.
IStream* ResourceStream(const std::string& name) {
  HRSRC res = ::FindResourceA(nullptr, name.c_str(), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  if (!res) return nullptr;
  DWORD size = ::SizeofResource(nullptr, res);
  HGLOBAL loaded = ::LoadResource(nullptr, res);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes || size == 0) return nullptr;
  HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE, size);
  if (!copy) return nullptr;
  void* dst = ::GlobalLock(copy);
  if (!dst) {
    ::GlobalFree(copy);
    return nullptr;
  }
  std::memcpy(dst, bytes, size);
  ::GlobalUnlock(copy);
  IStream* stream = nullptr;
  if (FAILED(::CreateStreamOnHGlobal(copy, TRUE, &stream))) {
    ::GlobalFree(copy);
    return nullptr;
  }
  return stream;
}

}  // namespace

GdiImage::~GdiImage() {
  image_.reset();  // before the stream it reads from
  if (stream_) stream_->Release();
}

std::shared_ptr<GdiImage> GdiImage::FromResource(const std::string& name, ImageFormat format) {
  std::shared_ptr<GdiImage> img(new GdiImage());
  img->name_ = name;
  img->stream_ = ResourceStream(name);
  if (!img->stream_) return nullptr;
  std::unique_ptr<Gdiplus::Image> decoded(Gdiplus::Image::FromStream(img->stream_));
  if (!decoded || decoded->GetLastStatus() != Gdiplus::Ok) return nullptr;
  img->width_ = static_cast<int>(decoded->GetWidth());
  img->height_ = static_cast<int>(decoded->GetHeight());

  if (format == ImageFormat::Png) {
    // A premultiplied copy draws fastest and lets the stream go at once.
    auto copy = std::make_unique<Gdiplus::Bitmap>(img->width_, img->height_, PixelFormat32bppPARGB);
    {
      Gdiplus::Graphics g(copy.get());
      g.DrawImage(decoded.get(), 0, 0, img->width_, img->height_);
    }
    decoded.reset();
    img->stream_->Release();
    img->stream_ = nullptr;
    img->image_ = std::move(copy);
    return img;
  }

  UINT frames = decoded->GetFrameCount(&kFrameDimensionTime);
  if (frames > 1) {
    UINT size = decoded->GetPropertyItemSize(kPropertyFrameDelay);
    std::vector<unsigned char> buf(size ? size : 1);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buf.data());
    bool haveDelays = size >= sizeof(Gdiplus::PropertyItem) &&
                      decoded->GetPropertyItem(kPropertyFrameDelay, size, item) == Gdiplus::Ok;
    for (UINT i = 0; i < frames; ++i) {
      unsigned hundredths = 10;
      if (haveDelays && (i + 1) * 4 <= item->length) hundredths = static_cast<const UINT*>(item->value)[i];
      // A zero delay plays as 100 ms, as browsers and the system viewer do.
      img->delaysMs_.push_back(hundredths ? hundredths * 10 : 100);
    }
    decoded->SelectActiveFrame(&kFrameDimensionTime, 0);
  }
  img->image_ = std::move(decoded);
  return img;
}

void GdiImage::Draw(Gdiplus::Graphics& g, int x, int y) {
  if (image_) g.DrawImage(image_.get(), x, y, width_, height_);
}

unsigned GdiImage::CurrentDelayMs() const { return delaysMs_.empty() ? 0 : delaysMs_[frame_]; }

bool GdiImage::Advance(unsigned elapsedMs) {
  if (!animated()) return false;
  intoFrameMs_ += elapsedMs;
  bool changed = false;
  while (intoFrameMs_ >= delaysMs_[frame_]) {
    intoFrameMs_ -= delaysMs_[frame_];
    frame_ = (frame_ + 1) % delaysMs_.size();
    changed = true;
  }
  if (changed) image_->SelectActiveFrame(&kFrameDimensionTime, frame_);
  return changed;
}

GdiplusSession::GdiplusSession() {
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token_, &input, nullptr);
}

GdiplusSession::~GdiplusSession() {
  if (token_) Gdiplus::GdiplusShutdown(token_);
}

}  // namespace ui::win32

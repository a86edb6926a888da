#include "ui/UnitFormImage5.h"

#include "common/TextHelpers.h"
#include "ui/FSpeedInstall.h"
#include "ui/Host.h"

namespace ui {
namespace {

Host* g_source = nullptr;

void LoadResource(const std::string& resourceName, Picture* picture, ImageFormat format) {
  if (!picture) return;
  // A name without an image leaves the control empty rather than keeping a
  // stale face.
  picture->image = g_source ? g_source->LoadResourceImage(resourceName, format) : nullptr;
}

}  // namespace

void SetImageSource(Host* host) { g_source = host; }

std::string ResourceNameFromPath(const std::string& path) {
  size_t slash = path.rfind('\\');
  std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = file.rfind('.');
  if (dot != std::string::npos) file.erase(dot);
  return AsciiUpper(file);
}

Picture* FindImage(const TfrmSpeedInstall& form, const std::string& name) {
  std::string wanted = AsciiUpper(name);
  for (const auto& c : form.components()) {
    if (AsciiUpper(c->name()) == wanted) {
      return c->kind() == Kind::Picture ? static_cast<Picture*>(c.get()) : nullptr;
    }
  }
  return nullptr;
}

void LoadPngResource(const std::string& resourceName, Picture* picture) {
  LoadResource(resourceName, picture, ImageFormat::Png);
}

void LoadPngImage(const std::string& path, Picture* picture) { LoadPngResource(ResourceNameFromPath(path), picture); }

void LoadGifResource(const std::string& resourceName, Picture* picture) {
  LoadResource(resourceName, picture, ImageFormat::Gif);
}

void LoadGifImage(const std::string& path, Picture* picture) { LoadGifResource(ResourceNameFromPath(path), picture); }

void LoadFormImages(TfrmSpeedInstall& form) {
  for (const auto& c : form.components()) {
    if (c->kind() != Kind::Picture) continue;
    auto* p = static_cast<Picture*>(c.get());
    if (p->imageKey.empty()) continue;
    std::string path = AppDir + "res\\" + p->imageKey;
    if (p->tag == 88 || p->tag == 99) {
      path += "_normal.png";
    } else if (p->imageKey.find(".jpg") == std::string::npos) {
      path += ".png";
    }
    LoadPngImage(path, p);
  }
  form.Changed();
}

void SetButtonFace(TfrmSpeedInstall& form, const std::string& faceName, const std::string& state) {
  Picture* face = FindImage(form, faceName);
  if (!face) return;
  LoadPngImage(AppDir + "res\\" + face->imageKey + "_" + state + ".png", face);
  form.Changed();
}

}  // namespace ui

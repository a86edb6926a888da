#include "tests/support/ImageTable.h"

#include "common/TextHelpers.h"

namespace ui {

const std::vector<ImageResource>& ImageResources() {
  static const std::vector<ImageResource> table = {
      {"BG_JSAZ1", ImageFormat::Gif, 640, 480},
      {"BG_JSAZ", ImageFormat::Png, 640, 480},
      {"BG_BANBEN", ImageFormat::Png, 58, 20},
      {"BG31", ImageFormat::Png, 640, 480},
      {"BG32", ImageFormat::Png, 640, 480},
      {"BG33", ImageFormat::Png, 640, 480},
      {"BTN_LANB200X44_NORMAL", ImageFormat::Png, 200, 44},
      {"BTN_LANB200X44_HOVER", ImageFormat::Png, 200, 44},
      {"BTN_LANB200X44_DOWN", ImageFormat::Png, 200, 44},
      {"BTN_BAIB90X36_NORMAL", ImageFormat::Png, 90, 36},
      {"BTN_BAIB90X36_DOWN", ImageFormat::Png, 90, 36},
      {"BTN_GUANBI_NORMAL", ImageFormat::Png, 16, 16},
      {"BTN_GUANBI_DOWN", ImageFormat::Png, 16, 16},
      {"BTN_GUANBI_BLUE_NORMAL", ImageFormat::Png, 10, 10},
      {"BTN_GUANBI_BLUE_DOWN", ImageFormat::Png, 10, 10},
      {"IMPUT_300X36", ImageFormat::Png, 300, 36},
      {"LOGO_90X90", ImageFormat::Png, 90, 90},
      {"ICON_ANZHUANGWANCHENG", ImageFormat::Png, 44, 44},
  };
  return table;
}

const ImageResource* FindImageResource(const std::string& name) {
  const std::string wanted = AsciiUpper(name);
  for (const auto& r : ImageResources()) {
    if (wanted == r.name) return &r;
  }
  return nullptr;
}

}  // namespace ui

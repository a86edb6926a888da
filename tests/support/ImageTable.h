// The pictures the program carries as named raw-data resources
// (resources/resources.rc), as the headless host knows them.
#pragma once
#include <string>
#include <vector>

#include "ui/Host.h"

namespace ui {

struct ImageResource {
  const char* name;
  ImageFormat format;
  int width, height;
};

const std::vector<ImageResource>& ImageResources();
// Names compare without regard to case, as the system's resource lookup does.
const ImageResource* FindImageResource(const std::string& name);

}  // namespace ui

#include "tools/kit/progress_bar.h"

#include <cstdio>

void DrawProgressBar(int percent, const char* detail) {
  constexpr int kWidth = 40;
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  int fill = percent * kWidth / 100;
  std::fprintf(stderr, "\r[%.*s%.*s] %3d%%  %s", fill, "########################################", kWidth - fill,
               "........................................", percent, detail);
  std::fflush(stderr);
}

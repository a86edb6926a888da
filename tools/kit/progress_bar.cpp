#include "tools/kit/progress_bar.h"

#include <cstdio>

#include "platform/console.h"

namespace {
bool g_drawn = false;
}

bool ProgressBarsShown() {
  static const bool shown = platform::StderrIsTerminal();
  return shown;
}

void DrawProgressBar(int percent, const char* detail) {
  if (!ProgressBarsShown()) return;
  constexpr int kWidth = 40;
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  int fill = percent * kWidth / 100;
  std::fprintf(stderr, "\r[%.*s%.*s] %3d%%  %s", fill, "########################################", kWidth - fill,
               "........................................", percent, detail);
  std::fflush(stderr);
  g_drawn = true;
}

void EndProgressBar(const char* summary) {
  if (g_drawn) {
    std::fprintf(stderr, "\n");
    g_drawn = false;
  } else if (summary && *summary) {
    std::fprintf(stderr, "%s\n", summary);
  }
}

std::string SizeText(uint64_t bytes) {
  char s[32];
  if (bytes < 1024) {
    std::snprintf(s, sizeof s, "%llu bytes", static_cast<unsigned long long>(bytes));
  } else if (bytes < 1024 * 1024) {
    std::snprintf(s, sizeof s, "%.1f KiB", bytes / 1024.0);
  } else {
    std::snprintf(s, sizeof s, "%.1f MiB", bytes / (1024.0 * 1024.0));
  }
  return s;
}

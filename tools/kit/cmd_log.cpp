// veltaro-kit log: an install log that a user sent, its runs apart and each
// failure line marked.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/InstallLog.h"
#include "common/WholeFile.h"
#include "platform/codepage.h"
#include "platform/errortext.h"
#include "tools/kit/commands.h"
#include "tools/kit/terminal_text.h"

namespace {
constexpr size_t kLogLimit = 64u << 20;
// "2026-12-08 14:03:12 " comes before each line's tag.
constexpr size_t kTagAt = 20;

bool HasTag(const std::string& line, installlog::Kind kind) {
  const char* tag = installlog::KindTag(kind);
  return line.size() >= kTagAt + std::strlen(tag) && line.compare(kTagAt, std::strlen(tag), tag) == 0;
}

// A line of the log (UTF-8) as this terminal shows it; text no GBK character
// stands for is shown as '?', and control bytes never reach the terminal raw.
std::string Shown(const std::string& utf8) {
  std::u16string wide = platform::Utf8ToWide(utf8);
  for (char16_t& c : wide) {
    std::string one;
    if (!platform::WideToGbk(std::u16string(1, c), &one)) c = u'?';
  }
  std::string gbk;
  platform::WideToGbk(wide, &gbk);
  return TerminalText(gbk);
}

struct Run {
  std::vector<std::string> lines;
  int failures = 0;
};

std::vector<Run> SplitRuns(const std::string& text) {
  std::vector<Run> runs;
  size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    // Lines before the first start (the front of a rotated log) form a run of their own.
    if (runs.empty() || HasTag(line, installlog::Kind::kStart)) runs.emplace_back();
    if (HasTag(line, installlog::Kind::kFail)) ++runs.back().failures;
    runs.back().lines.push_back(line);
  }
  return runs;
}
}  // namespace

int CmdLog(int argc, char** argv) {
  bool lastOnly = false;
  const char* file = nullptr;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--last") == 0) lastOnly = true;
    else if (!file) file = argv[i];
    else file = "";
  }
  if (!file || !*file) {
    std::fprintf(stderr, "usage: veltaro-kit log FILE [--last]\n");
    return 2;
  }
  std::string text;
  if (const uint32_t error = ReadWholeFile(KitPath(file), kLogLimit, &text)) {
    std::fprintf(stderr, "veltaro-kit log: cannot read %s: %s\n", file, platform::ErrorText(error).c_str());
    return 1;
  }
  const std::vector<Run> runs = SplitRuns(text);
  const size_t first = lastOnly && !runs.empty() ? runs.size() - 1 : 0;
  for (size_t i = first; i < runs.size(); ++i) {
    const Run& r = runs[i];
    const bool started = HasTag(r.lines.front(), installlog::Kind::kStart);
    std::printf("%s== run %zu of %zu%s%s: %d failure line%s\n", i > first ? "\n" : "", i + 1, runs.size(),
                started ? ", started " : " (no start line)", started ? r.lines.front().substr(0, 19).c_str() : "",
                r.failures, r.failures == 1 ? "" : "s");
    for (const std::string& line : r.lines)
      std::printf("%s %s\n", HasTag(line, installlog::Kind::kFail) ? ">>" : "  ", Shown(line).c_str());
  }
  if (runs.empty()) std::printf("(the log holds no lines)\n");
  return 0;
}

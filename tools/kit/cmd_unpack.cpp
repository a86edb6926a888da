#include <cstdio>
#include <string>

#include "tools/kit/commands.h"
#include "tools/kit/progress_bar.h"
#include "unpack/PubZip.h"

namespace {
// Redraws the bar on stderr only when the percentage moves.
class ProgressBar {
 public:
  void Show(const UnpackProgress& p) {
    last_ = p;
    int percent = p.bytesTotal ? static_cast<int>(p.bytesDone * 100 / p.bytesTotal) : 100;
    if (percent == shown_) return;
    shown_ = percent;
    char detail[48];
    std::snprintf(detail, sizeof detail, "%zu/%zu", p.entry + 1, p.entries);
    DrawProgressBar(percent, detail);
  }
  // The hook runs before each piece of work, so the last 100 % is drawn here.
  void End(bool ok) {
    if (ok && shown_ >= 0) Show({last_.entry, last_.entries, 1, 1});
    char summary[96];
    std::snprintf(summary, sizeof summary, "unpacked %zu entries, %.1f MiB of package", last_.entries,
                  last_.bytesTotal / (1024.0 * 1024.0));
    EndProgressBar(ok ? summary : "");
  }

 private:
  int shown_ = -1;
  UnpackProgress last_;
};
}  // namespace

int CmdUnpack(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: veltaro-kit unpack PACKAGE DIR\n");
    return 2;
  }
  const std::string dest = KitPath(argv[1]);
  ProgressBar bar;
  bool ok = UnpackPackage(KitPath(argv[0]), dest, [&bar](const UnpackProgress& p) { bar.Show(p); });
  bar.End(ok);
  if (!ok) {
    std::fprintf(stderr, "veltaro-kit unpack: nothing extracted from %s\n", argv[0]);
    return 1;
  }
  return 0;
}

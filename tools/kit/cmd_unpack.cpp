#include <cstdio>
#include <string>

#include "platform/codepage.h"
#include "tools/kit/commands.h"
#include "tools/kit/entry_name.h"
#include "tools/kit/progress_bar.h"
#include "tools/kit/terminal_text.h"
#include "unpack/PubZip.h"
#include "unpack/ZipReader.h"

namespace {
constexpr size_t kNamesShown = 20;

// Redraws the bar on stderr only when the percentage moves.
class ProgressBar {
 public:
  void Show(const UnpackProgress& p) {
    last_ = p;
    if (p.bytesTotal > total_) total_ = p.bytesTotal;
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
    EndProgressBar("");
  }
  uint64_t PackageBytes() const { return total_; }

 private:
  int shown_ = -1;
  uint64_t total_ = 0;
  UnpackProgress last_;
};

// An entry's name as the unpack installs it, as this terminal shows it; one that
// GBK cannot hold as stored.
std::string InstalledText(const ZipEntry& e) {
  std::u16string name = e.installedFolder + e.installedFile;
  for (char16_t& c : name) {
    if (c == u'\\') c = u'/';
  }
  std::string gbk;
  return platform::WideToGbk(name, &gbk) ? TerminalText(gbk) : EntryText(e);
}

// The entries the unpack did not count, by their installed names.
void NameSkipped(const std::string& package, const ExtractResult& r, const char* label) {
  TZipReader zip;
  if (!zip.Open(package)) return;
  const std::vector<ZipEntry>& entries = zip.Entries();
  size_t skipped = 0;
  for (size_t i = 0; i < entries.size() && i < r.counted.size(); ++i) {
    if (r.counted[i]) continue;
    if (++skipped <= kNamesShown) std::fprintf(stderr, "  %s: %s\n", label, InstalledText(entries[i]).c_str());
  }
  if (skipped > kNamesShown) std::fprintf(stderr, "  %s: %zu more\n", label, skipped - kNamesShown);
}
}  // namespace

int CmdUnpack(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: veltaro-kit unpack PACKAGE DIR\n");
    return 2;
  }
  const std::string package = KitPath(argv[0]);
  ProgressBar bar;
  ExtractResult r;
  const bool ok =
      UnpackPackage(package, KitPath(argv[1]), [&bar](const UnpackProgress& p) { bar.Show(p); }, &r);
  bar.End(ok);
  if (r.count <= 0) {
    std::fprintf(stderr, "veltaro-kit unpack: nothing extracted from %s\n", argv[0]);
    NameSkipped(package, r, r.failed ? "not extracted" : "skipped");
    return 1;
  }
  const size_t entries = r.counted.size();
  const size_t skipped = entries - static_cast<size_t>(r.count);
  std::fprintf(stderr, "unpacked %d of %zu entries, %s of package%s\n", r.count, entries,
               SizeText(bar.PackageBytes()).c_str(),
               r.failed ? "; a file could not be written, or the package could not be read"
               : skipped ? "; the others are skipped, as the installer skips them:" : "");
  NameSkipped(package, r, r.failed ? "not extracted" : "skipped");
  if (r.unknownMethods > 0) {
    std::fprintf(stderr, "veltaro-kit unpack: %d entries use a compression method the installer does not know; it "
                 "shows \"Zip Error\" for each\n", r.unknownMethods);
    return 1;
  }
  return ok ? 0 : 1;
}

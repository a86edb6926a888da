#include "unpack/PubZip.h"

#include "common/KpLib.h"
#include "platform/fs.h"
#include "unpack/SafeNames.h"
#include "unpack/Utf8Name.h"
#include "unpack/ZipReader.h"

namespace {
// Files extracted under a UTF-8 name get the decoded name. A name that cannot be
// decoded, that ASCII leaves unchanged, or whose new name is taken keeps its own.
void FixUtf8Names(const TZipReader& zip, const std::string& dest, const std::vector<size_t>& placed) {
  for (size_t i : placed) {
    const std::string& f = zip.Entries()[i].filePart;
    std::string g = Utf8NameToAnsi(f);
    if (g == f || !IsPlainFileName(g)) continue;
    platform::RenameFile(dest + "\\" + f, dest + "\\" + g);
  }
}
}  // namespace

bool UnpackPackage(const std::string& packageFile, const std::string& destination, const PumpHook& pump,
                   ExtractResult* detail) {
  try {
    const std::string dest = StripTrailingBackslash(destination);
    if (dest.empty()) return false;  // no folder: names would start at the drive's root
    TZipReader zip;
    if (!zip.Open(packageFile)) return false;
    ExtractResult r = ExtractAll(zip, dest, pump);
    if (detail) *detail = r;
    if (r.failed || r.count <= 0) return false;
    FixUtf8Names(zip, dest, r.placed);
    return true;
  } catch (...) {
    return false;  // out of memory, or an error escaping the caller's hook
  }
}

bool UnpackPackage(const std::string& packageFile, const std::string& destination) {
  // A quit seen here stays posted for the message loop; the unpack goes on.
  return UnpackPackage(packageFile, destination, [](const UnpackProgress&) { PumpMessages(); });
}

#include "unpack/PubZip.h"

#include <cctype>
#include <set>

#include "common/KpLib.h"
#include "common/LogEvents.h"
#include "platform/codepage.h"
#include "platform/fs.h"
#include "unpack/SafeNames.h"
#include "unpack/Utf8Name.h"
#include "unpack/ZipReader.h"

namespace {
// As Windows compares names: ASCII letters without case; the second byte of a
// double-byte character is part of that character, never a letter.
std::string FoldCase(std::string s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (platform::IsAnsiLeadByte(c)) {
      ++i;
    } else {
      s[i] = static_cast<char>(std::tolower(c));
    }
  }
  return s;
}

// Files extracted under a UTF-8 name get the decoded name, replacing the file of
// an earlier install under it. A name that cannot be decoded, that ASCII leaves
// unchanged, or that another entry of this package was written under keeps its
// own. False when an earlier file stays in the way (in use, read-only).
bool FixUtf8Names(const TZipReader& zip, const std::string& dest, const std::vector<size_t>& placed) {
  std::set<std::string> written;
  for (size_t i : placed) written.insert(FoldCase(zip.Entries()[i].filePart));
  bool ok = true;
  for (size_t i : placed) {
    const std::string& f = zip.Entries()[i].filePart;
    std::string g = Utf8NameToAnsi(f);
    if (g == f || !IsPlainFileName(g) || written.count(FoldCase(g))) continue;
    const std::string from = dest + "\\" + f, to = dest + "\\" + g;
    if (!platform::FileExists(to)) {
      platform::RenameFile(from, to);
    } else if (!platform::MoveFileOver(from, to)) {
      LogUnpackEntryFailed(to, platform::LastError());
      ok = false;
    }
  }
  return ok;
}
}  // namespace

bool UnpackPackage(platform::File& package, const std::string& destination, const PumpHook& pump,
                   ExtractResult* detail) {
  try {
    const std::string dest = StripTrailingBackslash(destination);
    if (dest.empty()) return false;  // no folder: names would start at the drive's root
    TZipReader zip;
    if (!zip.Open(package)) return false;
    ExtractResult r = ExtractAll(zip, dest, pump);
    if (detail) *detail = r;
    if (r.count <= 0) return false;
    const bool named = FixUtf8Names(zip, dest, r.placed);
    return named && !r.failed;
  } catch (...) {
    return false;  // out of memory, or an error escaping the caller's hook
  }
}

bool UnpackPackage(const std::string& packageFile, const std::string& destination, const PumpHook& pump,
                   ExtractResult* detail) {
  platform::File package;
  if (package.OpenHeld(packageFile) != 0) return false;
  return UnpackPackage(package, destination, pump, detail);
}

bool UnpackPackage(const std::string& packageFile, const std::string& destination) {
  // A quit seen here stays posted for the message loop; the unpack goes on.
  return UnpackPackage(packageFile, destination, [](const UnpackProgress&) { PumpMessages(); });
}

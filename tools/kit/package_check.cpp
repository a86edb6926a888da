#include "tools/kit/package_check.h"

#include <cstdio>
#include <map>

#include "common/ReleaseLayout.h"
#include "common/TextHelpers.h"
#include "platform/codepage.h"
#include "platform/errortext.h"
#include "platform/fs.h"
#include "tools/kit/entry_name.h"
#include "tools/kit/terminal_text.h"
#include "unpack/EntryData.h"
#include "unpack/SafeNames.h"
#include "unpack/ZipReader.h"

namespace {
#ifdef _WIN32
const char kNullDevice[] = "NUL";
#else
const char kNullDevice[] = "\\dev\\null";
#endif

std::string Hex8(uint32_t v) {
  char s[9];
  std::snprintf(s, sizeof s, "%08X", v);
  return s;
}

// Why the unpack would not place this entry where its name says; empty when it would.
std::string NameProblem(const ZipEntry& e) {
  std::u16string folder, file;
  DecodedParts(e, &folder, &file);
  if (!IsSafePathPart(platform::WideToUtf8(folder))) {
    return "its folder name leaves the installation folder or names a device; the installer skips it";
  }
  if (!e.IsFolder() && !IsSafePathPart(platform::WideToUtf8(file))) {
    return "its name is unsafe (a device or a control character); the installer skips it";
  }
  return std::string();
}

// The longest path Windows creates a file at (MAX_PATH with its terminating
// zero), and a folder at: room is kept for an 8.3 name inside it. The unpack
// writes each file under a temporary name first, its own with ".~" and six
// hexadecimal digits added.
constexpr size_t kMaxFilePath = 259;
constexpr size_t kMaxFolderPath = 247;
constexpr size_t kTempSuffix = 8;
const char16_t kDefaultFolder[] = u"D:\\Program Files\\Veltaro\\VeltaroPlatform\\";

std::string InstallerText(const char* utf8) { return TerminalText(platform::WideToAnsi(platform::Utf8ToWide(utf8))); }

// A path below the default installation folder that Windows cannot create.
std::string LengthProblem(const ZipEntry& e) {
  const std::u16string path = kDefaultFolder + InstalledPath(e);
  const size_t folderEnd = e.IsFolder() ? path.size() - 1 : path.find_last_of(u'\\');
  if (!e.IsFolder() && path.size() + kTempSuffix > kMaxFilePath) {
    return "below the default installation folder its path is " + std::to_string(path.size()) +
           " characters long, " + std::to_string(path.size() + kTempSuffix) +
           " under the temporary name the installer writes it as; Windows creates no file at a path of 260 or more, "
           "so every install ends in " + InstallerText("安装失败") + ": shorten it";
  }
  if (folderEnd > kMaxFolderPath) {
    return "below the default installation folder its folder's path is " + std::to_string(folderEnd) +
           " characters long; Windows creates no folder at a path of 248 or more, so every install ends in " +
           InstallerText("安装失败") + ": shorten it";
  }
  return std::string();
}

// Whether a part of the path ends in a dot or a blank (a part of dots alone is
// refused as unsafe before).
bool HasTrimmedEnd(const std::u16string& path) {
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != u'\\') continue;
    if (i > start && (path[i - 1] == u'.' || path[i - 1] == u' ')) return true;
    start = i + 1;
  }
  return false;
}

// The path as Windows stores it: each part without its trailing dots and blanks.
std::u16string Trimmed(const std::u16string& path) {
  std::u16string out, part;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != u'\\') {
      part += path[i];
      continue;
    }
    const size_t keep = part.find_last_not_of(u". ");
    out += keep == std::u16string::npos ? part : part.substr(0, keep + 1);
    if (i < path.size()) out += u'\\';
    part.clear();
  }
  return out;
}

std::string Shown(std::u16string path) {
  for (char16_t& c : path) {
    if (c == u'\\') c = u'/';
  }
  return WideTerminalText(path);
}

// The entry's name as stored, decoded, for the warnings that say what becomes of it.
std::string StoredText(const ZipEntry& e) {
  std::u16string folder, file;
  DecodedParts(e, &folder, &file);
  return Shown(folder + file);
}

// What the installer does with this entry that its maker may not expect.
std::vector<std::string> NameWarnings(const ZipEntry& e) {
  std::vector<std::string> w;
  const std::u16string path = InstalledPath(e);
  std::u16string f, file;
  DecodedParts(e, &f, &file);
  if (f.size() >= 2 && f[1] == u':') {
    w.push_back("its path starts with a drive; the installer drops the drive and installs it below the "
                "installation folder, as '" + Shown(path) + "'");
  } else if (!f.empty() && f[0] == u'\\') {
    w.push_back("its path is absolute; the installer installs it below the installation folder, as '" +
                Shown(path) + "'");
  }
  const size_t colon = f.find(u':');
  if (colon != std::u16string::npos && colon != 1) {
    w.push_back("its name holds ':', which Windows allows in no file or folder name: rename it");
  }
  if (HasTrimmedEnd(path)) {
    w.push_back("a name in its path ends in a dot or a blank, which Windows drops: it is installed as '" +
                Shown(Trimmed(path)) + "'");
  }
  if (path.find(u'\xFFFD') != std::u16string::npos) {
    w.push_back("its name is neither UTF-8 nor GBK text, so it is not installed under the name you meant");
  }
  // A Unix mode in the high half of the external attributes: S_IFLNK.
  if (!e.IsFolder() && ((e.externalAttributes >> 16) & 0170000) == 0120000) {
    w.push_back("it is a symbolic link; the installer makes it a small file holding the link's target");
  }
  return w;
}

std::string DataProblem(TZipReader& zip, const ZipEntry& e, TEntryDecoder& decoder, platform::File& sink) {
  if (e.encrypted) return "it is encrypted; the installer has no password and skips it";
  if (e.method != 0 && e.method != 8) {
    return "it uses compression method " + std::to_string(e.method) +
           "; the installer unpacks stored (0) and deflated (8) entries only";
  }
  uint64_t offset = 0;
  if (!zip.DataOffset(e, &offset)) return "its local header or data lies outside the package";
  if (sink.Seek(0) != 0) return "cannot write to " + std::string(kNullDevice);
  switch (decoder.Write(zip, e, offset, sink, [](uint64_t) {})) {
    case DataResult::kOk:
      return std::string();
    case DataResult::kBad:
      return "its data does not inflate to its declared size (" + std::to_string(e.uncompressedSize) +
             " bytes) and CRC-32 (" + Hex8(e.crc32) + ")";
    case DataResult::kFatal:
    case DataResult::kWriteFailed:
      break;
  }
  return zip.ReadFailed() ? "the package cannot be read there" : "its data is damaged";
}

// The installed path in the form Holds compares: "\" between folders, upper case.
std::string PathKey(std::string path) {
  for (char& c : path) c = c == '/' ? '\\' : AsciiUpper(c);
  return path;
}

// The one folder that holds every entry, as when the folder was zipped instead
// of its contents; empty when entries lie at the top level or in several folders.
std::string SoleTopFolder(const std::vector<ZipEntry>& entries) {
  std::string top;
  for (const ZipEntry& e : entries) {
    const std::string name = InstalledName(e);
    const size_t slash = name.find('/');
    if (slash == std::string::npos || slash == 0) return std::string();
    const std::string first = name.substr(0, slash);
    if (top.empty()) top = first;
    else if (PathKey(first) != PathKey(top)) return std::string();
  }
  return top;
}
}  // namespace

PackageReport CheckPackage(const std::string& path) {
  PackageReport r;
  {
    platform::File f;
    uint32_t err = f.Open(path, platform::OpenMode::kRead, platform::Share::kRead);
    if (err != 0) {
      r.errors.push_back("cannot open it: " + platform::ErrorText(err));
      return r;
    }
    int64_t size = f.Size();
    if (size < 0) {
      r.errors.push_back("cannot read its size");
      return r;
    }
    r.size = static_cast<uint64_t>(size);
  }
  if (r.size > kMaxPackageSize) {
    r.errors.push_back("it is " + std::to_string(r.size) +
                       " bytes; the installer's download sizes are signed 32-bit, so a package must stay under 2 GiB");
    return r;
  }
  TZipReader zip;
  if (!zip.Open(path)) {
    r.errors.push_back("no readable central directory: not a ZIP archive, or a damaged one");
    return r;
  }
  const std::vector<ZipEntry>& entries = zip.Entries();
  if (entries.empty()) {
    r.errors.push_back("it has no entries; the installer counts an unpack that extracts nothing as failed");
    return r;
  }
  platform::File sink;
  if (sink.Open(kNullDevice, platform::OpenMode::kWrite) != 0) {
    r.errors.push_back("cannot open " + std::string(kNullDevice) + " to test the entries' data");
    return r;
  }
  TEntryDecoder decoder;
  std::map<std::string, std::string> byKey;  // installed files by Holds's key, as shown
  for (const ZipEntry& e : entries) {
    std::string problem = NameProblem(e);
    if (problem.empty()) problem = LengthProblem(e);
    if (problem.empty() && !e.IsFolder()) problem = DataProblem(zip, e, decoder, sink);
    if (!problem.empty()) r.errors.push_back("entry '" + EntryText(e) + "': " + problem);
    if (problem.empty()) {
      for (const std::string& w : NameWarnings(e)) r.warnings.push_back("entry '" + StoredText(e) + "': " + w);
    }
    if (problem.empty() && !e.IsFolder()) {
      const std::string key = PathKey(InstalledName(e));
      const auto earlier = byKey.emplace(key, EntryText(e));
      if (!earlier.second) {
        r.warnings.push_back("entries '" + earlier.first->second + "' and '" + EntryText(e) +
                             "' differ only in letter case; Windows sees one name, so the later one replaces the "
                             "earlier");
      }
      r.installed.insert(key);
    }
    (e.IsFolder() ? r.folders : r.files)++;
    if (zip.ReadFailed()) break;
  }
  const std::string top = SoleTopFolder(entries);
  if (!top.empty()) {
    const std::string shown = WideTerminalText(platform::Utf8ToWide(top));
    r.errors.push_back("everything lies in the folder '" + shown + "', which the installer would " +
                       "create inside the installation folder: zip the contents of " + shown + ", not the folder");
    return r;
  }
  for (const char* name : release::kRegisteredFiles) {
    if (!r.Holds(name)) {
      r.warnings.push_back("no " + SlashedPath(name) +
                           " at the package's root; the installed product's registration names it");
    }
  }
  return r;
}

bool PackageReport::Holds(const std::string& path) const { return installed.count(PathKey(path)) != 0; }

#include "tools/kit/package_check.h"

#include <cstdio>

#include "platform/errortext.h"
#include "platform/fs.h"
#include "tools/kit/entry_name.h"
#include "tools/kit/release_layout.h"
#include "tools/kit/terminal_text.h"
#include "unpack/EntryData.h"
#include "unpack/SafeNames.h"
#include "unpack/Utf8Name.h"
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
  if (!e.folderPart.empty()) {
    std::string q = Utf8NameToAnsi(e.folderPart);
    if (q.empty()) return "its folder name is not UTF-8, so the installer would put it in the top folder";
    if (!IsSafePathPart(q)) return "its folder name leaves the installation folder or names a device; the installer skips it";
  }
  if (!e.IsFolder() && !IsSafePathPart(e.filePart)) return "its name is unsafe (a device or a control character); the installer skips it";
  return std::string();
}

// Whether the stored bytes read as text of code page 936. The installer creates
// a file under its stored name before it renames it, and a system that cannot
// read that name as GBK cannot create the file.
bool IsGbkText(const std::string& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) continue;
    if (b == 0x80 || b == 0xFF || i + 1 == s.size()) return false;
    const unsigned char t = static_cast<unsigned char>(s[++i]);
    if (t < 0x40 || t == 0x7F || t == 0xFF) return false;
  }
  return true;
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

// Why the installer would not install this name as the maker meant it; empty
// when it would. Only top-level names are decoded from UTF-8: a name inside a
// folder is created under its stored bytes, which Windows reads as GBK.
std::string NameWarning(const ZipEntry& e) {
  if (!IsGbkText(e.filePart)) {
    return "its name as stored is not GBK text; a system that cannot read it so (Wine, for one) cannot create "
           "the file, and the installer skips it";
  }
  const std::string installed = EntryText(e);
  if (installed == IntendedText(e)) return std::string();
  const std::string shown = "it is installed as '" + installed + "'";
  if (!e.folderPart.empty()) return shown + ": the installer decodes UTF-8 file names at the package's top level only";
  return shown + ": the installer cannot decode its UTF-8 name into GBK, so it keeps the stored bytes";
}

// The installed path in the form Holds compares: "\" between folders, upper case.
std::string PathKey(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
    else if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
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
  for (const ZipEntry& e : entries) {
    std::string problem = NameProblem(e);
    if (problem.empty() && !e.IsFolder()) problem = DataProblem(zip, e, decoder, sink);
    if (!problem.empty()) r.errors.push_back("entry '" + EntryText(e) + "': " + problem);
    if (problem.empty() && !e.IsFolder()) {
      const std::string warning = NameWarning(e);
      if (!warning.empty()) r.warnings.push_back("entry '" + IntendedText(e) + "': " + warning);
      r.installed.insert(PathKey(InstalledName(e)));
    }
    (e.IsFolder() ? r.folders : r.files)++;
    if (zip.ReadFailed()) break;
  }
  const std::string top = SoleTopFolder(entries);
  if (!top.empty()) {
    r.errors.push_back("everything lies in the folder '" + TerminalText(top) + "', which the installer would " +
                       "create inside the installation folder: zip the contents of " + TerminalText(top) +
                       ", not the folder");
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

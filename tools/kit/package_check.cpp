#include "tools/kit/package_check.h"

#include <cstdio>

#include "common/pubShare.h"
#include "platform/errortext.h"
#include "platform/fs.h"
#include "tools/kit/release_layout.h"
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

// The name as stored, with "/" between folders, for messages.
std::string ShownName(const ZipEntry& e) {
  std::string s = e.folderPart + e.filePart;
  for (char& c : s) {
    if (c == '\\') c = '/';
  }
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

bool HasRootFile(const std::vector<ZipEntry>& entries, const std::string& want) {
  for (const ZipEntry& e : entries) {
    if (e.IsFolder()) continue;
    std::string folder = Utf8NameToAnsi(e.folderPart);
    if (!folder.empty() && folder[0] == '\\') folder.erase(0, 1);
    if (SameText(folder + e.filePart, want)) return true;
  }
  return false;
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
    if (!problem.empty()) r.errors.push_back("entry '" + ShownName(e) + "': " + problem);
    if (problem.empty() && !e.IsFolder() && !IsGbkText(e.filePart)) {
      r.warnings.push_back("entry '" + ShownName(e) +
                           "': its name as stored is not GBK text; a system that cannot read it so "
                           "(Wine, for one) cannot create the file, and the installer skips it");
    }
    (e.IsFolder() ? r.folders : r.files)++;
    if (zip.ReadFailed()) break;
  }
  for (const char* name : release::kRegisteredFiles) {
    if (!HasRootFile(entries, name)) {
      std::string shown = name;
      for (char& c : shown) {
        if (c == '\\') c = '/';
      }
      r.warnings.push_back("no " + shown + " at the package's root; the installed product's registration names it");
    }
  }
  return r;
}

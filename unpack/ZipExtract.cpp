#include "unpack/ZipExtract.h"

#include <algorithm>

#include "common/KpLib.h"
#include "common/LogEvents.h"
#include "platform/codepage.h"
#include "platform/dialog.h"
#include "platform/fs.h"
#include "unpack/EntryData.h"
#include "unpack/SafeNames.h"
#include "unpack/Utf8Name.h"
#include "unpack/ZipFormat.h"

const char16_t kUnknownMethodText[] = u"Unknown Compression Method";
const char16_t kZipErrorCaption[] = u"Zip Error";

namespace {
// Deflate cannot expand one byte into more than 1032: a larger declared size
// belongs to a damaged entry and would only reserve disk space for nothing.
constexpr uint64_t kMaxDeflateRatio = 1032;

// The attributes a file or folder may be given; the rest of the external
// attributes (the folder bit, a Unix mode in the high half) are not settable.
constexpr uint32_t kSettableAttrs =
    platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem | platform::kAttrArchive;
// Attributes a new file or folder does not already have.
constexpr uint32_t kSpecialAttrs = platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem;

void ApplyAttributes(const std::string& path, uint32_t external) {
  uint32_t attrs = external & kSettableAttrs;
  if (attrs & kSpecialAttrs) platform::SetAttributes(path, attrs);
}

// The folder an entry goes to, ending in "\"; false when its name would leave
// the destination.
bool EntryFolder(const std::string& dest, const std::string& folderPart, std::string* p) {
  if (folderPart.empty()) {
    *p = dest + "\\";
    return true;
  }
  std::string q = Utf8NameToAnsi(folderPart);
  if (!IsSafePathPart(q)) return false;
  if (q.size() >= 2 && q[1] == ':') {
    // A drive goes below the destination like any other folder.
    std::string rest = q.substr(2);
    *p = dest + (rest.empty() || rest[0] != '\\' ? "\\" : "") + rest;
  } else if (!q.empty() && q[0] == '\\') {
    *p = dest + q;
  } else {
    *p = dest + "\\" + q;
  }
  if (p->back() != '\\') *p += '\\';
  return true;
}

bool IsPlausible(const ZipEntry& e) {
  if (e.method == zipfmt::kMethodStored) return e.compressedSize == e.uncompressedSize;
  return e.uncompressedSize / kMaxDeflateRatio <= e.compressedSize;
}
}  // namespace

ExtractResult ExtractAll(TZipReader& zip, const std::string& dest, const PumpHook& pump) {
  ExtractResult result;
  const std::vector<ZipEntry>& entries = zip.Entries();
  result.counted.resize(entries.size());
  UnpackProgress progress;
  progress.entries = entries.size();
  // Sizes are counted only up to the archive's own size, so damaged ones
  // cannot overflow the sums.
  auto span = [&zip](const ZipEntry& e) { return std::min(e.compressedSize, zip.Size()); };
  for (const ZipEntry& e : entries) progress.bytesTotal += span(e);
  auto tick = [&] {
    if (pump) pump(progress);
  };

  ForceDirs(dest);
  const std::string top = dest + "\\";
  TEntryDecoder decoder;
  // Consecutive entries mostly share a folder: decode and create it once.
  std::string lastFolderPart, lastFolder, madeFolder;
  bool lastSafe = true, haveLast = false;
  uint64_t entryStart = 0;

  for (size_t i = 0; i < entries.size(); ++i) {
    const ZipEntry& e = entries[i];
    progress.entry = i;
    progress.bytesDone = entryStart;
    entryStart += span(e);
    tick();

    if (!haveLast || e.folderPart != lastFolderPart) {
      lastSafe = EntryFolder(dest, e.folderPart, &lastFolder);
      lastFolderPart = e.folderPart;
      haveLast = true;
    }
    if (!lastSafe) continue;
    const std::string& folder = lastFolder;

    if (e.IsFolder()) {
      ForceDirs(folder);
      madeFolder = folder;
      if (!DirExists(folder)) continue;
      ApplyAttributes(StripTrailingBackslash(folder), e.externalAttributes);
      ++result.count;
      result.counted[i] = true;
      continue;
    }

    if (!IsSafePathPart(e.filePart) || e.encrypted) continue;
    if (e.method != zipfmt::kMethodStored && e.method != zipfmt::kMethodDeflated) {
      LogMessageBox(platform::WideToUtf8(kUnknownMethodText));
      platform::ShowMessageBox(nullptr, kUnknownMethodText, kZipErrorCaption, platform::kMbOk);
      continue;
    }
    uint64_t dataOffset = 0;
    if (!IsPlausible(e) || !zip.DataOffset(e, &dataOffset)) {
      if (zip.ReadFailed()) {
        result.failed = true;
        return result;
      }
      continue;
    }

    if (folder != madeFolder) {
      ForceDirs(folder);
      madeFolder = folder;
    }
    const std::string target = folder + e.filePart;
    platform::File out;
    // A file that cannot be created (a read-only or running one in the way, a
    // folder that could not be made) is not counted, and the unpack fails once
    // the other entries are out: the product would be a mix of two releases.
    if (const uint32_t error = out.Open(target, platform::OpenMode::kCreateAlways)) {
      LogUnpackEntryFailed(target, error);
      result.failed = true;
      continue;
    }
    // A length that cannot be set (a full drive) fails like a failed write.
    DataResult r = DataResult::kWriteFailed;
    if (out.SetLength(static_cast<int64_t>(e.uncompressedSize)) == 0) {
      r = decoder.Write(zip, e, dataOffset, out, [&](uint64_t consumed) {
        progress.bytesDone = entryStart - span(e) + consumed;
        tick();
      });
    }
    if (r != DataResult::kOk) {
      out.Close();
      platform::RemoveFile(target);
      if (r == DataResult::kBad) continue;
      LogUnpackEntryFailed(target, r == DataResult::kFatal ? "the package can no longer be read" : "a write failed");
      result.failed = true;
      // An archive that can no longer be read ends the unpack; a write goes on.
      if (r == DataResult::kFatal) return result;
      continue;
    }
    out.SetDosTime(e.dosDate, e.dosTime);
    out.Close();
    ApplyAttributes(target, e.externalAttributes);
    ++result.count;
    result.counted[i] = true;
    if (folder == top) result.placed.push_back(i);
  }
  return result;
}

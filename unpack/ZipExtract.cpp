#include "unpack/ZipExtract.h"

#include <algorithm>
#include <set>

#include "common/KpLib.h"
#include "common/LogEvents.h"
#include "platform/codepage.h"
#include "platform/fs.h"
#include "platform/safe_fs.h"
#include "platform/wide_fs.h"
#include "unpack/EntryData.h"
#include "unpack/SafeNames.h"
#include "unpack/ZipFormat.h"

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

void ApplyAttributes(const std::u16string& path, uint32_t external) {
  uint32_t attrs = external & kSettableAttrs;
  if (attrs & kSpecialAttrs) platform::SetAttributes(path, attrs);
}

// A decoded part that may be joined below the destination (SafeNames.h): no
// UTF-8 byte is a separator, a dot or a control character, so the checks of the
// stored form hold for the UTF-8 form alike.
bool IsSafeInstalledPart(const std::u16string& part) { return IsSafePathPart(platform::WideToUtf8(part)); }

// The folder an entry goes to, ending in "\"; false when its name would leave
// the destination.
bool EntryFolder(const std::u16string& dest, const std::u16string& folderPart, std::u16string* p) {
  if (folderPart.empty()) {
    *p = dest + u"\\";
    return true;
  }
  if (!IsSafeInstalledPart(folderPart)) return false;
  const std::u16string& q = folderPart;
  if (q.size() >= 2 && q[1] == u':') {
    // A drive goes below the destination like any other folder.
    std::u16string rest = q.substr(2);
    *p = dest + (rest.empty() || rest[0] != u'\\' ? u"\\" : u"") + rest;
  } else if (q[0] == u'\\') {
    *p = dest + q;
  } else {
    *p = dest + u"\\" + q;
  }
  if (p->back() != u'\\') *p += u'\\';
  return true;
}

// Makes the folders below the destination, each checked once: a folder on the
// way that is a link (a reparse point) is never passed through, so what the
// package writes stays inside the installation folder whatever stands in it.
class FolderMaker {
 public:
  enum Result { kMade, kNotMade, kLinked };
  explicit FolderMaker(const std::u16string& dest) : dest_(dest) {}

  // `folder` is the destination, "\" and the path below it, ending in "\".
  Result Make(const std::u16string& folder) {
    for (size_t end = folder.find(u'\\', dest_.size() + 1); end != std::u16string::npos;
         end = folder.find(u'\\', end + 1)) {
      if (folder[end - 1] == u'\\') continue;  // a doubled backslash
      const std::u16string path = folder.substr(0, end);
      if (made_.count(path)) continue;
      if (platform::GetAttributes(path) == platform::kInvalidAttributes) platform::CreateDir(path);
      const uint32_t attrs = platform::GetAttributes(path);
      if (attrs == platform::kInvalidAttributes || !(attrs & platform::kAttrDirectory)) return kNotMade;
      if (platform::IsLinkedFolder(path)) return kLinked;
      made_.insert(path);
    }
    return kMade;
  }

 private:
  std::u16string dest_;
  std::set<std::u16string> made_;
};

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
  const std::u16string destW = platform::WidePath(dest);
  const std::u16string top = destW + u"\\";
  FolderMaker folders(destW);
  TEntryDecoder decoder;
  // Consecutive entries mostly share a folder: join it once.
  std::u16string lastFolderPart, lastFolder;
  bool lastSafe = true, haveLast = false;
  uint64_t entryStart = 0;

  for (size_t i = 0; i < entries.size(); ++i) {
    const ZipEntry& e = entries[i];
    progress.entry = i;
    progress.bytesDone = entryStart;
    entryStart += span(e);
    tick();

    if (!haveLast || e.installedFolder != lastFolderPart) {
      lastSafe = EntryFolder(destW, e.installedFolder, &lastFolder);
      lastFolderPart = e.installedFolder;
      haveLast = true;
    }
    if (!lastSafe) continue;
    const std::u16string& folder = lastFolder;

    if (e.installedFile.empty()) {
      const FolderMaker::Result made = folders.Make(folder);
      // A folder behind a link fails the unpack; one that a file stands in the
      // way of is only not counted.
      if (made == FolderMaker::kLinked) result.failed = true;
      if (made != FolderMaker::kMade) continue;
      ApplyAttributes(folder.substr(0, folder.size() - 1), e.externalAttributes);
      ++result.count;
      result.counted[i] = true;
      continue;
    }

    if (!IsSafeInstalledPart(e.installedFile) || e.encrypted) continue;
    if (e.method != zipfmt::kMethodStored && e.method != zipfmt::kMethodDeflated) {
      // The hook hears of it at the entry: the installer shows its box then.
      ++result.unknownMethods;
      progress.unknownMethod = true;
      tick();
      progress.unknownMethod = false;
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

    // A file that cannot be written (a folder that could not be made or stands
    // behind a link, a file in use in the way) is not counted, and the unpack
    // fails once the other entries are out: the product would be a mix of two
    // releases. The data goes to a new file of our own beside the target, which
    // then replaces whatever stands at the name (a link included, never followed).
    const std::u16string target = folder + e.installedFile;
    platform::File out;
    std::u16string temp;
    if (folders.Make(folder) != FolderMaker::kMade) {
      LogUnpackEntryFailed(target, "its folder could not be made, or is a link");
      result.failed = true;
      continue;
    }
    if (const uint32_t error = platform::CreateSiblingTemp(target, &out, &temp)) {
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
    if (r == DataResult::kOk) out.SetDosTime(e.dosDate, e.dosTime);
    out.Close();
    uint32_t placeError = 0;
    if (r == DataResult::kOk && (placeError = platform::PlaceOver(temp, target)) != 0) r = DataResult::kWriteFailed;
    if (r != DataResult::kOk) {
      platform::RemoveSafely(temp);
      // A damaged member leaves no file of an earlier release under its name.
      if (r == DataResult::kBad) {
        platform::RemoveSafely(target);
        continue;
      }
      if (placeError != 0) {
        LogUnpackEntryFailed(target, placeError);
      } else {
        LogUnpackEntryFailed(target, r == DataResult::kFatal ? "the package can no longer be read" : "a write failed");
      }
      result.failed = true;
      // An archive that can no longer be read ends the unpack; a write goes on.
      if (r == DataResult::kFatal) return result;
      continue;
    }
    ApplyAttributes(target, e.externalAttributes);
    ++result.count;
    result.counted[i] = true;
  }
  return result;
}

#include "unpack/ZipReader.h"

#include <algorithm>

#include "unpack/ZipFormat.h"

using namespace zipfmt;

namespace {
constexpr uint32_t k32Max = 0xFFFFFFFFu;

// Replaces the 32-bit fields that read 0xFFFFFFFF by the values of the ZIP64
// extra field, which holds them in this order, each only when needed.
void ApplyZip64Extra(const unsigned char* extra, uint32_t len, ZipEntry* e) {
  uint32_t pos = 0;
  while (pos + 4 <= len) {
    uint16_t id = Get16(extra + pos), size = Get16(extra + pos + 2);
    if (pos + 4 + size > len) return;
    if (id == kZip64ExtraId) {
      const unsigned char* p = extra + pos + 4;
      uint32_t left = size;
      uint64_t* fields[] = {&e->uncompressedSize, &e->compressedSize, &e->localHeaderOffset};
      for (uint64_t* f : fields) {
        if (*f != k32Max) continue;
        if (left < 8) return;
        *f = Get64(p);
        p += 8;
        left -= 8;
      }
      return;
    }
    pos += 4 + size;
  }
}
}  // namespace

TZipReader::TZipReader() : window_(new unsigned char[kWindow]) {}

bool TZipReader::Fill(uint64_t offset, uint32_t n) {
  winStart_ = offset;
  winLen_ = 0;
  if (!file_ || offset > size_) return false;
  uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(kWindow, size_ - offset));
  uint32_t got = 0;
  while (winLen_ < want) {
    if (file_->ReadAt(static_cast<int64_t>(offset + winLen_), window_.get() + winLen_, want - winLen_, &got) != 0 ||
        got == 0) {
      readFailed_ = true;
      return false;
    }
    winLen_ += got;
  }
  return winLen_ >= n;
}

const unsigned char* TZipReader::View(uint64_t offset, uint32_t n) {
  if (n > kWindow || offset > size_ || n > size_ - offset) return nullptr;
  if (offset < winStart_ || offset + n > winStart_ + winLen_) {
    if (!Fill(offset, n)) return nullptr;
  }
  return window_.get() + (offset - winStart_);
}

const unsigned char* TZipReader::ViewSome(uint64_t offset, uint32_t max, uint32_t* got) {
  *got = 0;
  if (max == 0 || offset >= size_) return nullptr;
  if (offset < winStart_ || offset >= winStart_ + winLen_) {
    if (!Fill(offset, 1)) return nullptr;
  }
  *got = static_cast<uint32_t>(std::min<uint64_t>(max, winStart_ + winLen_ - offset));
  return window_.get() + (offset - winStart_);
}

bool TZipReader::Open(const std::string& path) {
  file_ = nullptr;
  if (own_.OpenHeld(path) != 0) return false;
  return Open(own_);
}

bool TZipReader::Open(platform::File& file) {
  entries_.clear();
  winStart_ = winLen_ = 0;
  readFailed_ = false;
  file_ = &file;
  int64_t size = file_->Size();
  if (size < 0) return false;
  size_ = static_cast<uint64_t>(size);
  if (size_ == 0) return true;
  uint64_t endPos, entries, cdSize, cdOffset;
  if (!FindEnd(&endPos, &entries, &cdSize, &cdOffset)) return false;
  // The central directory must lie wholly before the records that describe it.
  if (cdOffset > endPos || cdSize > endPos - cdOffset) return false;
  return ReadCentralDirectory(entries, cdSize, cdOffset);
}

bool TZipReader::FindEnd(uint64_t* endPos, uint64_t* entries, uint64_t* cdSize, uint64_t* cdOffset) {
  if (size_ < kEndSize) return false;
  uint32_t tail = static_cast<uint32_t>(std::min<uint64_t>(size_, kEndSize + kMaxComment));
  const uint64_t tailStart = size_ - tail;
  const unsigned char* t = View(tailStart, tail);
  if (!t) return false;
  // Backwards from the last place a record fits; the first match wins.
  uint32_t at = tail - kEndSize + 1;
  do {
    --at;
    if (Get32(t + at) == kEndSig) break;
  } while (at > 0);
  if (Get32(t + at) != kEndSig) return false;
  const unsigned char* r = t + at;
  uint16_t disk = Get16(r + kEndDisk), cdDisk = Get16(r + kEndCdDisk);
  uint16_t diskEntries = Get16(r + kEndDiskEntries);
  *entries = Get16(r + kEndEntries);
  *cdSize = Get32(r + kEndCdSize);
  *cdOffset = Get32(r + kEndCdOffset);
  *endPos = tailStart + at;

  uint64_t recordOffset = 0;
  bool zip64 = false;
  if (*endPos >= kLocatorSize) {
    const unsigned char* loc = View(*endPos - kLocatorSize, kLocatorSize);
    if (!loc) return false;
    zip64 = Get32(loc) == kLocatorSig;
    if (zip64) recordOffset = Get64(loc + kLocatorRecordOffset);
  }
  if (zip64) {
    if (recordOffset > *endPos - kLocatorSize || kEnd64Size > *endPos - kLocatorSize - recordOffset) return false;
    const unsigned char* z = View(recordOffset, kEnd64Size);
    if (!z || Get32(z) != kEnd64Sig) return false;
    if (Get32(z + kEnd64Disk) != 0 || Get32(z + kEnd64CdDisk) != 0) return false;
    if (Get64(z + kEnd64DiskEntries) != Get64(z + kEnd64Entries)) return false;
    *entries = Get64(z + kEnd64Entries);
    *cdSize = Get64(z + kEnd64CdSize);
    *cdOffset = Get64(z + kEnd64CdOffset);
    *endPos = recordOffset;
    return true;
  }
  // Archives spanning several disks are not packages.
  return disk == 0 && cdDisk == 0 && diskEntries == *entries;
}

bool TZipReader::ReadCentralDirectory(uint64_t entries, uint64_t cdSize, uint64_t cdOffset) {
  // Every entry takes at least one fixed header: a count that cannot fit is
  // refused before anything is reserved for it.
  if (entries > cdSize / kCentralSize) return false;
  entries_.reserve(static_cast<size_t>(entries));
  const uint64_t cdEnd = cdOffset + cdSize;
  uint64_t pos = cdOffset;
  for (uint64_t i = 0; i < entries; ++i) {
    if (cdEnd - pos < kCentralSize) return false;
    const unsigned char* h = View(pos, kCentralSize);
    if (!h || Get32(h) != kCentralSig) return false;
    uint32_t nameLen = Get16(h + kCenNameLen), extraLen = Get16(h + kCenExtraLen);
    uint32_t commentLen = Get16(h + kCenCommentLen);
    uint32_t total = kCentralSize + nameLen + extraLen + commentLen;
    if (cdEnd - pos < total) return false;
    h = View(pos, total);
    if (!h) return false;

    ZipEntry e;
    uint16_t flags = Get16(h + kCenFlags);
    e.method = Get16(h + kCenMethod);
    e.encrypted = (flags & kFlagEncrypted) != 0;
    e.dosTime = Get16(h + kCenTime);
    e.dosDate = Get16(h + kCenDate);
    ClampDosDateTime(&e.dosDate, &e.dosTime);
    e.crc32 = Get32(h + kCenCrc);
    e.compressedSize = Get32(h + kCenCompSize);
    e.uncompressedSize = Get32(h + kCenSize);
    e.externalAttributes = Get32(h + kCenExtAttrs);
    e.localHeaderOffset = Get32(h + kCenLocalOffset);
    ApplyZip64Extra(h + kCentralSize + nameLen, extraLen, &e);
    std::string name(reinterpret_cast<const char*>(h + kCentralSize), nameLen);
    SetEntryName(&e, name, h[kCenMadeBy + 1] == kHostMsDos);
    SetInstalledName(&e, name, (flags & kFlagUtf8) != 0);
    entries_.push_back(std::move(e));
    pos += total;
  }
  return true;
}

bool TZipReader::DataOffset(const ZipEntry& e, uint64_t* offset) {
  const unsigned char* h = View(e.localHeaderOffset, kLocalSize);
  if (!h || Get32(h) != kLocalSig) return false;
  // The local header's own name and extra lengths, which may differ from the
  // central directory's.
  uint64_t start = e.localHeaderOffset + kLocalSize + Get16(h + kLocNameLen) + Get16(h + kLocExtraLen);
  if (start > size_ || e.compressedSize > size_ - start) return false;
  *offset = start;
  return true;
}

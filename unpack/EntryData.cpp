#include "unpack/EntryData.h"

#include <zlib.h>

#include <algorithm>

#include "download/CRC_32.h"
#include "unpack/ZipFormat.h"

struct TEntryDecoder::Stream {
  z_stream z{};
  bool ready = false;
  ~Stream() {
    if (ready) inflateEnd(&z);
  }
};

TEntryDecoder::TEntryDecoder() : stream_(new Stream), out_(new unsigned char[kOutBuffer]) {}
TEntryDecoder::~TEntryDecoder() = default;

DataResult TEntryDecoder::Write(TZipReader& zip, const ZipEntry& e, uint64_t dataOffset, platform::File& out,
                                const std::function<void(uint64_t)>& beforeBlock) {
  uint32_t crc = 0xFFFFFFFFu;
  DataResult r;
  if (e.method == zipfmt::kMethodStored) {
    r = Copy(zip, e, dataOffset, out, beforeBlock, &crc);
  } else if (e.method == zipfmt::kMethodDeflated) {
    r = Inflate(zip, e, dataOffset, out, beforeBlock, &crc);
  } else {
    return DataResult::kBad;
  }
  if (r != DataResult::kOk) return r;
  return (crc ^ 0xFFFFFFFFu) == e.crc32 ? DataResult::kOk : DataResult::kBad;
}

DataResult TEntryDecoder::Copy(TZipReader& zip, const ZipEntry& e, uint64_t dataOffset, platform::File& out,
                               const std::function<void(uint64_t)>& beforeBlock, uint32_t* crc) {
  if (e.compressedSize != e.uncompressedSize) return DataResult::kBad;
  uint64_t done = 0;
  while (done < e.compressedSize) {
    beforeBlock(done);
    uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(e.compressedSize - done, TZipReader::kWindow));
    uint32_t got = 0;
    const unsigned char* p = zip.ViewSome(dataOffset + done, want, &got);
    if (!p) return DataResult::kFatal;
    Crc32Update(p, got, *crc);
    if (out.Write(p, got) != 0) return DataResult::kWriteFailed;
    done += got;
  }
  return DataResult::kOk;
}

DataResult TEntryDecoder::Inflate(TZipReader& zip, const ZipEntry& e, uint64_t dataOffset, platform::File& out,
                                  const std::function<void(uint64_t)>& beforeBlock, uint32_t* crc) {
  // Some writers store an empty file as deflated data of no bytes at all.
  if (e.compressedSize == 0) return e.uncompressedSize == 0 ? DataResult::kOk : DataResult::kBad;
  z_stream& z = stream_->z;
  if (!stream_->ready) {
    // A negative window size: raw deflate data without a zlib header.
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return DataResult::kFatal;
    stream_->ready = true;
  } else if (inflateReset(&z) != Z_OK) {
    return DataResult::kFatal;
  }
  z.avail_in = 0;
  uint64_t consumed = 0;  // compressed bytes handed to zlib
  uint64_t written = 0;   // output bytes accepted so far
  uint32_t buffered = 0;
  auto flush = [&] {
    bool ok = buffered == 0 || out.Write(out_.get(), buffered) == 0;
    buffered = 0;
    return ok;
  };
  for (;;) {
    if (z.avail_in == 0 && consumed < e.compressedSize) {
      beforeBlock(consumed);
      uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(e.compressedSize - consumed, TZipReader::kWindow));
      uint32_t got = 0;
      const unsigned char* p = zip.ViewSome(dataOffset + consumed, want, &got);
      if (!p) return DataResult::kFatal;
      z.next_in = const_cast<Bytef*>(p);
      z.avail_in = got;
      consumed += got;
    }
    if (buffered + kOutBlock > kOutBuffer && !flush()) return DataResult::kWriteFailed;
    z.next_out = out_.get() + buffered;
    z.avail_out = kOutBlock;
    int r = inflate(&z, Z_NO_FLUSH);
    uint32_t produced = kOutBlock - z.avail_out;
    // Never more than the declared size reaches the file.
    if (produced > e.uncompressedSize - written) return DataResult::kBad;
    Crc32Update(out_.get() + buffered, produced, *crc);
    buffered += produced;
    written += produced;
    if (r == Z_STREAM_END) break;
    if (r == Z_BUF_ERROR && z.avail_in == 0 && consumed == e.compressedSize) return DataResult::kBad;  // cut short
    if (r != Z_OK && r != Z_BUF_ERROR) return DataResult::kFatal;
  }
  if (!flush()) return DataResult::kWriteFailed;
  return written == e.uncompressedSize ? DataResult::kOk : DataResult::kBad;
}

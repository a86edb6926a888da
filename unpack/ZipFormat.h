// Record layouts of the ZIP format (PKWARE APPNOTE) as this reader uses them.
// All fields are little-endian.
#pragma once
#include <cstdint>

namespace zipfmt {

// End of central directory record.
constexpr uint32_t kEndSig = 0x06054b50;
constexpr uint32_t kEndSize = 22;
constexpr uint32_t kMaxComment = 65535;
constexpr uint32_t kEndDisk = 4, kEndCdDisk = 6, kEndDiskEntries = 8, kEndEntries = 10;
constexpr uint32_t kEndCdSize = 12, kEndCdOffset = 16, kEndCommentLen = 20;

// ZIP64 end of central directory locator, directly before the record above.
constexpr uint32_t kLocatorSig = 0x07064b50;
constexpr uint32_t kLocatorSize = 20;
constexpr uint32_t kLocatorRecordOffset = 8;

// ZIP64 end of central directory record.
constexpr uint32_t kEnd64Sig = 0x06064b50;
constexpr uint32_t kEnd64Size = 56;
constexpr uint32_t kEnd64Disk = 16, kEnd64CdDisk = 20, kEnd64DiskEntries = 24, kEnd64Entries = 32;
constexpr uint32_t kEnd64CdSize = 40, kEnd64CdOffset = 48;

// Central directory file header.
constexpr uint32_t kCentralSig = 0x02014b50;
constexpr uint32_t kCentralSize = 46;
constexpr uint32_t kCenMadeBy = 4, kCenFlags = 8, kCenMethod = 10, kCenTime = 12, kCenDate = 14;
constexpr uint32_t kCenCrc = 16, kCenCompSize = 20, kCenSize = 24, kCenNameLen = 28, kCenExtraLen = 30;
constexpr uint32_t kCenCommentLen = 32, kCenDiskStart = 34, kCenExtAttrs = 38, kCenLocalOffset = 42;

// Local file header.
constexpr uint32_t kLocalSig = 0x04034b50;
constexpr uint32_t kLocalSize = 30;
constexpr uint32_t kLocNameLen = 26, kLocExtraLen = 28;

// Extra field holding the 64-bit values whose 32-bit fields read 0xFFFFFFFF.
constexpr uint16_t kZip64ExtraId = 0x0001;

constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagUtf8 = 0x0800;  // the name is UTF-8
constexpr uint8_t kHostMsDos = 0;  // high byte of "version made by"

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;

inline uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Get32(const unsigned char* p) { return Get16(p) | static_cast<uint32_t>(Get16(p + 2)) << 16; }
inline uint64_t Get64(const unsigned char* p) { return Get32(p) | static_cast<uint64_t>(Get32(p + 4)) << 32; }

}  // namespace zipfmt

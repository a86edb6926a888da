#include "download/CRC_32.h"

#include <array>
#include <cstring>
#include <memory>

#include "platform/fs.h"

namespace {
constexpr uint32_t kPoly = 0xEDB88320u;
constexpr int kSlices = 16;

using Tables = std::array<std::array<uint32_t, 256>, kSlices>;

// Slice 0 is the standard table; slice k advances a byte that lies k bytes
// further ahead, so sixteen bytes fold in with sixteen independent look-ups.
constexpr Tables MakeTables() {
  Tables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ kPoly : c >> 1;
    t[0][i] = c;
  }
  for (uint32_t i = 0; i < 256; ++i) {
    for (int k = 1; k < kSlices; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
  }
  return t;
}
constexpr Tables kTables = MakeTables();

inline uint32_t Load32(const unsigned char* p) {
  // Little-endian assembly; compilers turn it into one load on x86.
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
}  // namespace

const uint32_t kCrc32Table[256] = {
#define R(i) kTables[0][i], kTables[0][i + 1], kTables[0][i + 2], kTables[0][i + 3]
#define R16(i) R(i), R(i + 4), R(i + 8), R(i + 12)
    R16(0),   R16(16),  R16(32),  R16(48),  R16(64),  R16(80),  R16(96),  R16(112),
    R16(128), R16(144), R16(160), R16(176), R16(192), R16(208), R16(224), R16(240),
#undef R16
#undef R
};

void Crc32Update(const void* block, size_t length, uint32_t& crc) {
  const unsigned char* p = static_cast<const unsigned char*>(block);
  uint32_t c = crc;
  const auto& t = kTables;
  while (length >= kSlices) {
    uint32_t a = Load32(p) ^ c, b = Load32(p + 4), d = Load32(p + 8), e = Load32(p + 12);
    c = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
        t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^
        t[7][d & 0xFF] ^ t[6][(d >> 8) & 0xFF] ^ t[5][(d >> 16) & 0xFF] ^ t[4][d >> 24] ^
        t[3][e & 0xFF] ^ t[2][(e >> 8) & 0xFF] ^ t[1][(e >> 16) & 0xFF] ^ t[0][e >> 24];
    p += kSlices;
    length -= kSlices;
  }
  while (length--) c = t[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
  crc = c;
}

FileCrcResult FileCrc32(const std::string& fileName) {
  constexpr uint32_t kBlock = 32768;
  FileCrcResult r;
  std::unique_ptr<unsigned char[]> buf(new unsigned char[kBlock]);
  uint32_t crc = 0xFFFFFFFFu;
  platform::File f;
  r.ioResult = f.Open(fileName, platform::OpenMode::kRead, platform::Share::kReadWrite);
  if (r.ioResult == 0) {
    uint32_t n = 0;
    do {
      r.ioResult = f.Read(buf.get(), kBlock, &n);
      if (r.ioResult == 0 && n > 0) Crc32Update(buf.get(), n, crc);
    } while (n != 0 && r.ioResult == 0);
    f.Close();
  }
  r.crc = crc ^ 0xFFFFFFFFu;
  return r;
}

#include "download/CRC_32.h"

#include <array>
#include <cstring>
#include <memory>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <emmintrin.h>
#include <wmmintrin.h>
#define VELTARO_CRC_CLMUL 1
#endif

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

#ifdef VELTARO_CRC_CLMUL
namespace {
// Carry-less multiplication folding: four 128-bit lanes are folded forward by
// 512 bits per step, then into one lane, then reduced to 32 bits (Barrett). The
// constants are x^k mod P for the reflected polynomial at the fold distances.
// Takes at least 64 bytes, a multiple of 16; works on the running CRC.
#define CLMUL_TARGET __attribute__((target("pclmul,sse2")))
CLMUL_TARGET inline __m128i fold(__m128i x, __m128i k) {
  return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11));
}
CLMUL_TARGET inline __m128i load(const unsigned char* q) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
}

CLMUL_TARGET uint32_t ClmulUpdate(const unsigned char* p, size_t len, uint32_t crc) {
  const __m128i k1k2 = _mm_set_epi64x(0x1c6e41596LL, 0x154442bd4LL);  // fold by 512 bits
  const __m128i k3k4 = _mm_set_epi64x(0x0ccaa009eLL, 0x1751997d0LL);  // fold by 128 bits
  const __m128i k5 = _mm_set_epi64x(0, 0x163cd6124LL);                 // 64 to 32 bits
  const __m128i poly = _mm_set_epi64x(0x1F7011641LL, 0x1DB710641LL);  // mu and P for Barrett
  const __m128i mask32 = _mm_set_epi32(0, 0, 0, -1);

  __m128i x1 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i x2 = load(p + 16), x3 = load(p + 32), x4 = load(p + 48);
  p += 64;
  len -= 64;
  while (len >= 64) {
    x1 = _mm_xor_si128(fold(x1, k1k2), load(p));
    x2 = _mm_xor_si128(fold(x2, k1k2), load(p + 16));
    x3 = _mm_xor_si128(fold(x3, k1k2), load(p + 32));
    x4 = _mm_xor_si128(fold(x4, k1k2), load(p + 48));
    p += 64;
    len -= 64;
  }
  x1 = _mm_xor_si128(fold(x1, k3k4), x2);
  x1 = _mm_xor_si128(fold(x1, k3k4), x3);
  x1 = _mm_xor_si128(fold(x1, k3k4), x4);
  while (len >= 16) {
    x1 = _mm_xor_si128(fold(x1, k3k4), load(p));
    p += 16;
    len -= 16;
  }
  // 128 to 64 bits, appending 32 zero bits.
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(k3k4, x1, 0x01));
  // 64 to 32 bits.
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 4), _mm_clmulepi64_si128(_mm_and_si128(x1, mask32), k5, 0x00));
  // Barrett reduction.
  __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x1, mask32), poly, 0x10);
  t = _mm_clmulepi64_si128(_mm_and_si128(t, mask32), poly, 0x00);
  x1 = _mm_xor_si128(x1, t);
  return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(x1, 4)));
}

bool HaveClmul() {
  static const bool have = [] {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    return (c & bit_PCLMUL) != 0 && (d & bit_SSE2) != 0;
  }();
  return have;
}
}  // namespace
#endif

void Crc32Update(const void* block, size_t length, uint32_t& crc) {
  const unsigned char* p = static_cast<const unsigned char*>(block);
  uint32_t c = crc;
  const auto& t = kTables;
#ifdef VELTARO_CRC_CLMUL
  if (length >= 64 && HaveClmul()) {
    size_t n = length & ~size_t(15);
    c = ClmulUpdate(p, n, c);
    p += n;
    length -= n;
  }
#endif
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

uint32_t ReadFileInBlocks(platform::File& file, uint32_t block,
                          const std::function<void(const unsigned char*, uint32_t)>& take) {
  std::unique_ptr<unsigned char[]> buf(new unsigned char[block]);
  int64_t at = 0;
  for (;;) {
    uint32_t n = 0;
    const uint32_t result = file.ReadAt(at, buf.get(), block, &n);
    if (result != 0 || n == 0) return result;
    take(buf.get(), n);
    at += n;
  }
}

uint32_t ReadFileInBlocks(const std::string& fileName, uint32_t block,
                          const std::function<void(const unsigned char*, uint32_t)>& take) {
  platform::File f;
  const uint32_t result = f.Open(fileName, platform::OpenMode::kRead, platform::Share::kReadWrite);
  return result != 0 ? result : ReadFileInBlocks(f, block, take);
}

FileCrcResult FileCrc32(platform::File& file) {
  FileCrcResult r;
  uint32_t crc = 0xFFFFFFFFu;
  r.ioResult = ReadFileInBlocks(file, 32768, [&](const unsigned char* p, uint32_t n) { Crc32Update(p, n, crc); });
  r.crc = crc ^ 0xFFFFFFFFu;
  return r;
}

FileCrcResult FileCrc32(const std::string& fileName) {
  platform::File f;
  FileCrcResult r;
  r.ioResult = f.Open(fileName, platform::OpenMode::kRead, platform::Share::kReadWrite);
  return r.ioResult != 0 ? r : FileCrc32(f);
}

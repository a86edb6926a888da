#include "tools/kit/pe_version.h"

#include <cstdint>

#include "platform/codepage.h"

namespace {
constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr int kMaxDepth = 4;  // VS_VERSIONINFO, StringFileInfo, StringTable, String

class Bytes {
 public:
  explicit Bytes(const std::string& s) : s_(s) {}
  bool Has(uint64_t at, uint64_t n) const { return at <= s_.size() && n <= s_.size() - at; }
  uint32_t U16(uint64_t at) const { return Has(at, 2) ? Byte(at) | Byte(at + 1) << 8 : 0; }
  uint32_t U32(uint64_t at) const { return Has(at, 4) ? U16(at) | U16(at + 2) << 16 : 0; }
  // A zero-terminated UTF-16 text from `at`, at most up to `end`; *next is past its zero.
  std::u16string Text(uint64_t at, uint64_t end, uint64_t* next) const {
    std::u16string t;
    while (at + 2 <= end && Has(at, 2) && U16(at) != 0) t += static_cast<char16_t>(U16(at)), at += 2;
    *next = at + 2;
    return t;
  }

 private:
  uint32_t Byte(uint64_t at) const { return static_cast<unsigned char>(s_[at]); }
  const std::string& s_;
};

uint64_t Align4(uint64_t n) { return (n + 3) & ~uint64_t{3}; }

std::string Version(uint32_t ms, uint32_t ls) {
  return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16) + "." +
         std::to_string(ls & 0xFFFF);
}

// One node of the version tree at `at` and its children; the String nodes'
// keys and values go into `v`.
void ReadNode(const Bytes& b, uint64_t at, uint64_t end, int depth, PeVersion* v) {
  const uint64_t length = b.U16(at), valueLength = b.U16(at + 2), type = b.U16(at + 4);
  if (length < 6 || at + length > end || depth > kMaxDepth) return;
  const uint64_t nodeEnd = at + length;
  uint64_t next = 0;
  const std::u16string key = b.Text(at + 6, nodeEnd, &next);
  const uint64_t value = Align4(next);
  if (depth == 0 && valueLength >= 52 && b.U32(value) == kFixedSignature) {
    v->fileVersion = Version(b.U32(value + 8), b.U32(value + 12));
    v->productVersion = Version(b.U32(value + 16), b.U32(value + 20));
  }
  if (depth == 3) {  // a String: its value is text (type 1), valueLength in characters
    uint64_t ignored = 0;
    const std::u16string text = type == 1 ? b.Text(value, nodeEnd, &ignored) : std::u16string();
    v->strings.emplace_back(platform::WideToUtf8(key), platform::WideToUtf8(text));
    return;
  }
  if (depth == 1 && key != u"StringFileInfo") return;  // VarFileInfo holds only the language list
  uint64_t child = Align4(value + (depth == 0 ? valueLength : 0));
  while (child + 6 <= nodeEnd) {
    const uint64_t childLength = b.U16(child);
    if (childLength < 6) break;
    ReadNode(b, child, nodeEnd, depth + 1, v);
    child = Align4(child + childLength);
  }
}
}  // namespace

PeVersion ReadPeVersion(const std::string& image) {
  PeVersion v;
  const Bytes b(image);
  if (b.U16(0) != 0x5A4D) return v;  // "MZ"
  const uint64_t pe = b.U32(0x3C);
  if (b.U32(pe) != 0x00004550) return v;  // "PE\0\0"
  const uint64_t coff = pe + 4, sections = b.U16(coff + 2), optional = coff + 20;
  const uint32_t magic = b.U16(optional);
  if (magic != 0x10B && magic != 0x20B) return v;
  v.isPe = true;
  const uint64_t directories = optional + (magic == 0x10B ? 96 : 112);
  const uint32_t resourceRva = b.U32(directories + 2 * 8);
  if (resourceRva == 0) return v;
  // The file offset of an RVA, through the section table.
  const uint64_t table = optional + b.U16(coff + 16);
  auto offsetOf = [&](uint64_t rva) -> uint64_t {
    for (uint64_t i = 0; i < sections; ++i) {
      const uint64_t s = table + i * 40, va = b.U32(s + 12), size = b.U32(s + 16), raw = b.U32(s + 20);
      if (rva >= va && rva < va + size) return raw + (rva - va);
    }
    return UINT64_MAX;
  };
  const uint64_t root = offsetOf(resourceRva);
  if (root == UINT64_MAX) return v;
  // Type, name, language: the first entry of each level below RT_VERSION.
  uint64_t dir = root;
  for (int level = 0; level < 3; ++level) {
    const uint64_t count = b.U16(dir + 12) + b.U16(dir + 14);
    uint64_t found = 0;
    for (uint64_t i = 0; i < count && i < 4096; ++i) {
      const uint64_t entry = dir + 16 + i * 8;
      if (level == 0 && b.U32(entry) != kRtVersion) continue;
      found = b.U32(entry + 4);
      break;
    }
    if (found == 0) return v;
    const bool subdirectory = (found & 0x80000000u) != 0;
    if (subdirectory != (level < 2)) return v;
    dir = root + (found & 0x7FFFFFFFu);
  }
  const uint64_t data = offsetOf(b.U32(dir)), size = b.U32(dir + 4);
  if (data == UINT64_MAX || !b.Has(data, size) || size < 6) return v;
  v.found = true;
  ReadNode(b, data, data + size, 0, &v);
  return v;
}

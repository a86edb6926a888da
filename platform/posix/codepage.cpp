#include "platform/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

#include "platform/testing.h"

namespace platform {
namespace {
// The target systems' ANSI and OEM code pages are both 936 (GBK).
constexpr const char* kAnsi = "CP936";
// A Windows without code page 936 installed, as a test asks for it.
std::atomic<bool> g_gbkMissing{false};

template <typename Out, typename In>
Out Convert(const char* to, const char* from, const In& in, size_t unit, const char* replacement, size_t replLen) {
  Out out;
  if (in.empty()) return out;
  iconv_t cd = ::iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return out;
  std::string bytes;
  char* src = const_cast<char*>(reinterpret_cast<const char*>(in.data()));
  size_t srcLeft = in.size() * sizeof(typename In::value_type);
  char buf[4096];
  while (srcLeft > 0) {
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    size_t r = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    bytes.append(buf, dst - buf);
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // An invalid or unmappable unit becomes a replacement character, as the
      // system's own conversion does.
      bytes.append(replacement, replLen);
      size_t skip = std::min(srcLeft, sizeof(typename In::value_type) == 1 ? size_t(1) : size_t(2));
      src += skip;
      srcLeft -= skip;
    }
  }
  ::iconv_close(cd);
  out.resize(bytes.size() / unit);
  std::copy(bytes.data(), bytes.data() + out.size() * unit, reinterpret_cast<char*>(&out[0]));
  return out;
}
}  // namespace

std::u16string AnsiToWide(const std::string& s) {
  static const char kRepl[] = {'?', 0};
  return Convert<std::u16string>("UTF-16LE", kAnsi, s, 2, kRepl, 2);
}

std::string WideToAnsi(const std::u16string& s) {
  return Convert<std::string>(kAnsi, "UTF-16LE", s, 1, "?", 1);
}

std::u16string OemToWide(const std::string& s) { return AnsiToWide(s); }
// Here the ANSI page is GBK itself.
std::u16string GbkToWide(const std::string& s) { return g_gbkMissing ? std::u16string() : AnsiToWide(s); }

// Both pages are the same here: the bytes stay exactly as stored.
std::string OemTextToAnsi(const std::string& s) { return s; }

bool IsAnsiLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

unsigned AnsiCodePage() { return 936; }

bool WideToGbk(const std::u16string& s, std::string* out) {
  out->clear();
  if (s.empty()) return true;
  if (g_gbkMissing) return false;
  iconv_t cd = ::iconv_open(kAnsi, "UTF-16LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char* src = const_cast<char*>(reinterpret_cast<const char*>(s.data()));
  size_t srcLeft = s.size() * 2;
  char buf[4096];
  bool ok = true;
  while (ok && srcLeft > 0) {
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    size_t r = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out->append(buf, dst - buf);
    ok = r != static_cast<size_t>(-1) || errno == E2BIG;
  }
  ::iconv_close(cd);
  return ok;
}

namespace testing {
void SetGbkMissing(bool missing) { g_gbkMissing = missing; }
}  // namespace testing

}  // namespace platform

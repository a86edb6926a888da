#include "platform/codepage.h"

#include <windows.h>

namespace platform {
namespace {
std::u16string ToWide(UINT cp, const std::string& s) {
  if (s.empty()) return std::u16string();
  int n = ::MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::u16string out(n > 0 ? n : 0, u'\0');
  if (n > 0) ::MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), reinterpret_cast<wchar_t*>(&out[0]), n);
  return out;
}
std::string FromWide(UINT cp, const std::u16string& s) {
  if (s.empty()) return std::string();
  const wchar_t* w = reinterpret_cast<const wchar_t*>(s.data());
  // No best fit: a character the code page cannot hold becomes "?", never a
  // look-alike that may be another file's real name ("À" is not "à").
  const DWORD flags = WC_NO_BEST_FIT_CHARS;
  const char unmapped = '?';
  int n = ::WideCharToMultiByte(cp, flags, w, static_cast<int>(s.size()), nullptr, 0, &unmapped, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0) ::WideCharToMultiByte(cp, flags, w, static_cast<int>(s.size()), &out[0], n, &unmapped, nullptr);
  return out;
}
}  // namespace

std::u16string AnsiToWide(const std::string& s) { return ToWide(CP_ACP, s); }
std::string WideToAnsi(const std::u16string& s) { return FromWide(CP_ACP, s); }
std::u16string OemToWide(const std::string& s) { return ToWide(CP_OEMCP, s); }
std::u16string GbkToWide(const std::string& s) { return ToWide(936, s); }
// Where the two pages are one (936 on the target systems) the bytes stay exactly
// as stored: a round trip through UTF-16 would change bytes that are not valid
// text in that page, such as UTF-8 names.
std::string OemTextToAnsi(const std::string& s) {
  return ::GetOEMCP() == ::GetACP() ? s : WideToAnsi(OemToWide(s));
}
bool IsAnsiLeadByte(unsigned char b) { return ::IsDBCSLeadByte(b) != FALSE; }
unsigned AnsiCodePage() { return ::GetACP(); }

bool WideToGbk(const std::u16string& s, std::string* out) {
  out->clear();
  if (s.empty()) return true;
  const wchar_t* w = reinterpret_cast<const wchar_t*>(s.data());
  BOOL lossy = FALSE;
  int n = ::WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, w, static_cast<int>(s.size()), nullptr, 0, nullptr, &lossy);
  if (n <= 0 || lossy) return false;
  out->resize(n);
  ::WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, w, static_cast<int>(s.size()), &(*out)[0], n, nullptr, &lossy);
  return !lossy;
}

}  // namespace platform

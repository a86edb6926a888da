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
  int n = ::WideCharToMultiByte(cp, 0, w, static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0) ::WideCharToMultiByte(cp, 0, w, static_cast<int>(s.size()), &out[0], n, nullptr, nullptr);
  return out;
}
}  // namespace

std::u16string AnsiToWide(const std::string& s) { return ToWide(CP_ACP, s); }
std::string WideToAnsi(const std::u16string& s) { return FromWide(CP_ACP, s); }
std::u16string OemToWide(const std::string& s) { return ToWide(CP_OEMCP, s); }
std::string OemTextToAnsi(const std::string& s) { return WideToAnsi(OemToWide(s)); }
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

// Code-page conversion between the system's ANSI and OEM pages and UTF-16.
#pragma once
#include <string>

namespace platform {

std::u16string AnsiToWide(const std::string& s);
std::string WideToAnsi(const std::u16string& s);
std::u16string OemToWide(const std::string& s);
std::u16string Utf8ToWide(const std::string& s);
std::string WideToUtf8(const std::u16string& s);
std::string OemTextToAnsi(const std::string& s);
// Whether b starts a two-byte character in the ANSI code page.
bool IsAnsiLeadByte(unsigned char b);
unsigned AnsiCodePage();
// The text in code page 936 (GBK), the target systems' ANSI code page, whatever
// this system's own: false when a character has no form there.
bool WideToGbk(const std::u16string& s, std::string* out);
// GBK bytes read as such whatever this system's own code page; a byte sequence
// that is not GBK text becomes a replacement character. Empty where code page
// 936 is not installed.
std::u16string GbkToWide(const std::string& s);

}  // namespace platform

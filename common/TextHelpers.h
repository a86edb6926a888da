// Small helpers for 8-bit (ANSI) text: ASCII case, blanks at the ends, and
// stepping over double-byte characters.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// ASCII letters change case; every other byte stays as it is.
char AsciiLower(char c);
char AsciiUpper(char c);
std::string AsciiLower(std::string s);
std::string AsciiUpper(std::string s);

// Equal without regard to the case of ASCII letters, byte by byte.
bool SameText(std::string_view a, std::string_view b);
bool StartsWithText(std::string_view s, std::string_view prefix);

// The text without the bytes of `blanks` at either end (blanks and tabs unless told).
std::string Trim(std::string_view s, std::string_view blanks = " \t");
// Drops every byte at or below the blank (control characters too) from both ends.
std::string TrimText(std::string_view s);

// Bytes of the character that starts at `i`: 2 for a lead byte of the ANSI code
// page with a byte after it (whose second byte may be 0x5C, the backslash),
// otherwise 1.
size_t AnsiCharSize(std::string_view s, size_t i);

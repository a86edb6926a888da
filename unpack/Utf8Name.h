// UTF-8 entry names. Packages made on other systems store names in UTF-8; the
// the unpack decodes them into the UTF-16 names it creates.
#pragma once
#include <string>

// Decodes by the unpack's own rules: a byte below 0x80 is one character, a byte
// from 0xE0 up starts a three-byte sequence, any other byte from 0x80 up a
// two-byte one (so only the Basic Multilingual Plane is reached). A continuation
// byte outside 0x80-0xBF or a sequence cut short makes the whole text invalid.
bool DecodeUtf8Name(const std::string& s, std::u16string* out);

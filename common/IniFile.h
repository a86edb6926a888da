// Reading one value of an INI text the way GetPrivateProfileStringA does.
#pragma once
#include <string>

// Section and key match without regard to letter case; blanks around the key and
// the value are dropped; a value enclosed in a pair of equal quotes (" or ')
// loses them; the value is cut to 2047 bytes; missing gives the empty text.
std::string IniLookup(const std::string& text, const std::string& section, const std::string& key);

// libFuzzer target: IniLookup on any text, section and key. Besides not
// crashing, a value must be at most 2047 bytes and a single line, must not
// depend on the letter case of the names or blanks around the key, must not
// change when a later section is appended, and a key placed first in its
// section must give back exactly its trimmed, unquoted value.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/IniFile.h"

namespace {
constexpr size_t kMaxValue = 2047;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string SwapCase(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return s;
}

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return s;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

// What a key that is the first of its section must read as.
std::string Expected(const std::string& raw) {
  std::string v = Trim(raw);
  if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
  if (v.size() > kMaxValue) v.resize(kMaxValue);
  return v;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string section = in.ConsumeRandomLengthString(64);
  const std::string key = in.ConsumeRandomLengthString(64);
  const std::string value = in.ConsumeRandomLengthString(4096);
  const std::string text = in.ConsumeRemainingBytesAsString();
  const bool bom = text.compare(0, 3, "\xEF\xBB\xBF") == 0;

  const std::string v = IniLookup(text, section, key);
  Check(v.size() <= kMaxValue);
  Check(v.find('\n') == std::string::npos);
  if (!bom) Check(text.find(v) != std::string::npos);  // a cut or unquoted piece of one line
  Check(IniLookup(text, SwapCase(section), SwapCase(key)) == v);
  Check(IniLookup(text, section, " \t" + key + " \r") == v);

  static const std::string kOther = "fuzz-other-section";
  if (Lower(section) != kOther && key.find('\n') == std::string::npos) {
    Check(IniLookup(text + "\n[" + kOther + "]\n" + key + "=appended\n", section, key) == v);
  }

  // The same names written first, ahead of the fuzzed text: first key wins.
  const std::string k = Trim(key);
  if (!k.empty() && k[0] != '[' && key.find_first_of("=\n") == std::string::npos &&
      section.find_first_of("]\n") == std::string::npos && value.find('\n') == std::string::npos) {
    const std::string placed = "[" + section + "]\n" + key + "=" + value + "\n" + text;
    Check(IniLookup(placed, section, key) == Expected(value));
  }
  return 0;
}

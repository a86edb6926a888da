#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TextHelpers.h"

// Only the 52 ASCII letters fold: not the bytes 32 away from other ASCII
// characters, nor any byte from 0x80 up (Latin-1 letters, double-byte text).
TEST(TextHelpers, AsciiCase) {
  const struct {
    const char *a, *b;
    bool same;
  } rows[] = {
      {"Content-LENGTH", "content-length", true}, {"abc", "ab", false},   {"[@", "{`", false},
      {"\xC4", "\xE4", false},                    {"\xD6\xD0", "\xD6\xD0", true},
  };
  for (const auto& r : rows) EXPECT_EQ(SameText(r.a, r.b), r.same) << r.a << " ~ " << r.b;
  EXPECT_EQ(AsciiUpper("com1.Txt[\xE4z"), "COM1.TXT[\xE4Z");
  EXPECT_EQ(AsciiLower("HTTP://A\xC4@"), "http://a\xC4@");
  EXPECT_TRUE(StartsWithText("HTTPS://x", "https://"));
  EXPECT_FALSE(StartsWithText("http:/", "http://"));
}

TEST(TextHelpers, Trims) {
  const char* const kIniBlanks = " \t\r\n\v\f";
  const struct {
    std::string in;
    const char* blanks;  // null: TrimText
    std::string want;
  } rows[] = {
      {" \t a b \t ", " \t", "a b"},
      {"\r\nv\r\n", " \t", "\r\nv\r\n"},  // header values keep what is not a blank or tab
      {" \t ", " \t", ""},
      {"\v\r\n k \f", kIniBlanks, "k"},
      {"\x01" "a", kIniBlanks, "\x01" "a"},
      {std::string("\x01 \xA1\xA1\x1F\0", 6), nullptr, "\xA1\xA1"},  // bytes from 0x80 up are text
  };
  for (const auto& r : rows) EXPECT_EQ(r.blanks ? Trim(r.in, r.blanks) : TrimText(r.in), r.want) << r.in;
}

// 0x95 0x5C is one GBK character whose second byte is the backslash's code; 0x80
// and 0xFF lead nothing; a lead byte at the very end is a byte of its own.
TEST(TextHelpers, AnsiCharSizeStepsOverDoubleBytes) {
  const std::string s = "a\x95\x5C\\\x80\x5C\xFF\x5C\x81";
  std::vector<size_t> starts;
  for (size_t i = 0; i < s.size(); i += AnsiCharSize(s, i)) starts.push_back(i);
  EXPECT_EQ(starts, (std::vector<size_t>{0, 1, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(AnsiCharSize(s, s.size() - 1), 1u);
}

#include "base/ascii.h"

#include <gtest/gtest.h>

#include <string_view>

namespace kestrova {
namespace {

// The letters fold; the bytes next to them ('@' 0x40, '[' 0x5B, '`' 0x60, '{' 0x7B) and the
// high bytes of UTF-8 text, one of them 0x80 above 'A', stay as they are.
TEST(AsciiTest, FoldingChangesOnlyLetters) {
  struct Row {
    char byte, lower, upper;
  };
  const Row rows[] = {{'A', 'a', 'A'},          {'Z', 'z', 'Z'},          {'a', 'a', 'A'},
                      {'z', 'z', 'Z'},          {'@', '@', '@'},          {'[', '[', '['},
                      {'`', '`', '`'},          {'{', '{', '{'},          {'\0', '\0', '\0'},
                      {'\xC3', '\xC3', '\xC3'}, {'\xC1', '\xC1', '\xC1'}, {'\xE1', '\xE1', '\xE1'}};
  for (const Row& row : rows) {
    EXPECT_EQ(AsciiLower(row.byte), row.lower) << static_cast<int>(row.byte);
    EXPECT_EQ(AsciiUpper(row.byte), row.upper) << static_cast<int>(row.byte);
  }
}

// EqualsIgnoringCase folds both sides; EqualsLowerName folds the first only and takes the
// second as a name written in lower case.
TEST(AsciiTest, ComparisonsFoldLettersOnly) {
  struct Row {
    std::string_view text, lower_name;
    bool equal;
  };
  const Row rows[] = {{"", "", true},
                      {"HeAd", "head", true},
                      {"head", "hea", false},
                      {"hea", "head", false},
                      {"", "a", false},
                      {"@", "`", false},
                      {"[", "{", false},
                      {"\xC3\x89", "\xC3\xA9", false},
                      {"\xC3\xA9", "\xC3\xA9", true}};
  for (const Row& row : rows) {
    EXPECT_EQ(EqualsIgnoringCase(row.text, row.lower_name), row.equal) << row.text;
    EXPECT_EQ(EqualsIgnoringCase(row.lower_name, row.text), row.equal) << row.text;
    EXPECT_EQ(EqualsLowerName(row.text, row.lower_name), row.equal) << row.text;
  }
  EXPECT_FALSE(EqualsLowerName("head", "HEAD"));
  EXPECT_TRUE(StartsWithIgnoringCase("FILE:///C:/web", "file:"));
  EXPECT_TRUE(StartsWithLowerNameAt("<!DocType html>", 2, "doctype"));
  EXPECT_TRUE(StartsWithLowerNameAt("</SCRIPT>", 2, "script"));
  EXPECT_FALSE(StartsWithLowerNameAt("</scrip", 2, "script"));
  EXPECT_TRUE(StartsWithLowerNameAt("ab", 2, ""));
  EXPECT_FALSE(StartsWithLowerNameAt("ab", 3, ""));
  EXPECT_EQ(FindIgnoringCase("<Meta><mETA>", "meta", 2), 7u);
  EXPECT_EQ(FindIgnoringCase("x@y`y", "`Y"), 3u);
  EXPECT_EQ(FindIgnoringCase("abc", "bcd"), std::string_view::npos);
}

TEST(AsciiTest, WhiteSpaceSets) {
  struct Row {
    char byte;
    bool html, c, line;
  };
  const Row rows[] = {{' ', true, true, true},     {'\t', true, true, true},
                      {'\r', true, true, true},    {'\n', true, true, false},
                      {'\f', true, true, false},   {'\v', false, true, false},
                      {'\0', false, false, false}, {'\x1C', false, false, false},
                      {'a', false, false, false},  {'\xA0', false, false, false}};
  for (const Row& row : rows) {
    EXPECT_EQ(IsHtmlSpace(row.byte), row.html) << static_cast<int>(row.byte);
    EXPECT_EQ(IsCSpace(row.byte), row.c) << static_cast<int>(row.byte);
    EXPECT_EQ(IsLineBlank(row.byte), row.line) << static_cast<int>(row.byte);
  }
}

TEST(AsciiTest, EscapeControlCharactersWritesControlsOut) {
  EXPECT_EQ(EscapeControlCharacters("http://h/\x1b]0;x\x07\r\n\xc2\x9b\x7f\\ \xc3\xa9"),
            "http://h/\\x1B]0;x\\x07\\x0D\\x0A\\u009B\\x7F\\ \xc3\xa9");
  // The C1 range from its first to its last code point; the no-break space after it is text.
  EXPECT_EQ(EscapeControlCharacters("\xc2\x80|\xc2\x9f|\xc2\xa0"), "\\u0080|\\u009F|\xc2\xa0");
  // Lone C1 bytes of 8-bit text are escaped; inside UTF-8 sequences (the euro sign) and Latin-1
  // letters beyond them, bytes stay.
  EXPECT_EQ(EscapeControlCharacters("a\x9b"
                                    "2J\x9d|\xe2\x82\xac|\xe9|\xe2\x82"),
            "a\\x9B"
            "2J\\x9D|\xe2\x82\xac|\xe9|\xe2\\x82");
}

}  // namespace
}  // namespace kestrova

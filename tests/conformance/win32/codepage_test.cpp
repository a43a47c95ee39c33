// The Windows conversion helper keeps the contract the iconv one keeps on
// Linux: Shift-JIS both ways, U+FFFD for bytes that are no character, '?'
// for characters the code page lacks.
#include <gtest/gtest.h>

#include <string>

#include "platform/text/codepage.h"

namespace zr::text {
namespace {

TEST(Win32CodePage, ShiftJisBothWays) {
  struct Row {
    const char* fact;
    std::string bytes;
    std::u16string text;
  };
  const Row rows[] = {
      {"ASCII", "USB-LAN 1.0", u"USB-LAN 1.0"},
      {"kanji", "\x93\xFA\x96\x7B\x8C\xEA", u"\u65E5\u672C\u8A9E"},
      {"half-width katakana", "\xB1\xB2", u"\uFF71\uFF72"},
      {"a trail byte that is a backslash", "\x95\x5C", u"\u8868"},
      {"an inner zero is kept", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
      {"empty", "", u""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fact);
    EXPECT_EQ(ToUtf16(row.bytes, 932), row.text);
    EXPECT_EQ(FromUtf16(row.text, 932), row.bytes);
  }
}

TEST(Win32CodePage, BadBytesAndMissingCharacters) {
  struct Row {
    const char* fact;
    std::string bytes;
    std::u16string text;
  };
  const Row rows[] = {
      {"a lead byte at the very end", "ab\x93", u"ab\uFFFD"},
      {"a lead byte before a byte that is no trail: the next byte stands", "\x81\x20z",
       u"\uFFFD z"},
      {"a byte that is no character, between good ones", "a\xA0\x93\xFA",
       u"a\uFFFD\u65E5"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fact);
    EXPECT_EQ(ToUtf16(row.bytes, 932), row.text);
  }
  // Hangul has no place in Shift-JIS.
  EXPECT_EQ(FromUtf16(u"x\uD55Cy", 932), "x?y");
}

TEST(Win32CodePage, Utf8RoundTripThroughTheCodePage) {
  const std::string utf8 = "\xE3\x83\x89\xE3\x83\xA9\xE3\x82\xA4\xE3\x83\x90";  // katakana
  const std::string sjis = FromUtf8(utf8, 932);
  EXPECT_EQ(sjis, "\x83\x68\x83\x89\x83\x43\x83\x6F");
  EXPECT_EQ(ToUtf8(sjis, 932), utf8);
}

TEST(Win32CodePage, SupportedCodePages) {
  EXPECT_TRUE(IsSupportedCodePage(932));
  EXPECT_TRUE(IsSupportedCodePage(1252));
  EXPECT_FALSE(IsSupportedCodePage(12345));
}

}  // namespace
}  // namespace zr::text

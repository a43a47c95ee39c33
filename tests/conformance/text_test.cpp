// Text: IsTextUnicode's verdict without flags, with every test asked for
// (and the flags it writes back), and with the statistical test alone, for
// the kinds of text an INF or work file may hold; and the code-page helper,
// which keeps one contract in both builds (iconv on Linux,
// MultiByteToWideChar on Windows): Shift-JIS both ways, U+FFFD for bytes
// that are no character, '?' for characters the code page lacks.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <tuple>

#include "platform/text/codepage.h"
#include "tests/conformance/world_fixture.h"

namespace zr::conformance {
namespace {

using namespace zr::win;
using namespace zr::text;

const std::string kPangram = "The quick brown fox jumps over the lazy dog.";  // 44 characters

std::string Utf16(const std::string& ascii, bool bigEndian, bool bom) {
  std::string out = bom ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
  for (char c : ascii) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  return out;
}

class TextUnicode : public WorldTest {};

TEST_F(TextUnicode, VerdictsAndFlags) {
  // 日本語のテキストです。 in Shift-JIS: 11 double-byte characters.
  const std::string sjis = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x65\x83\x4C\x83\x58\x83\x67\x82\xC5\x82\xB7\x81\x42";
  const std::string mz("MZ\x90\0\x03\0\0\0\x04\0\0\0\xFF\xFF\0\0\xB8\0\0\0\0\0\0\0\x40\0\0\0\0\0\0\0", 32);
  std::string ascending, noise;
  for (int i = 0; i < 64; ++i) ascending += static_cast<char>(i);
  // Noise from a fixed sequence: no zero byte, no byte-order mark.
  for (std::minstd_rand random(12345); noise.size() < 256;) noise += static_cast<char>(random() % 0xFD + 1);
  // The verdict without flags, the flags written back for 0xFFFF, the verdict
  // of IS_TEXT_UNICODE_STATISTICS alone.
  const struct {
    const char* fact;
    std::string bytes;
    bool plain;
    int flagsOut;
    bool statistics;
  } rows[] = {
      {"UTF-16LE with BOM", Utf16(kPangram, false, true), true, 0x100E, true},
      {"UTF-16LE without BOM", Utf16(kPangram, false, false), true, 0x1006, true},
      {"UTF-16BE with BOM", Utf16(kPangram, true, true), false, 0x10C0, false},
      {"UTF-16BE without BOM", Utf16(kPangram, true, false), false, 0x1040, false},
      {"ASCII, even length", kPangram, false, 0, false},
      {"ASCII, odd length", kPangram.substr(0, 29), false, 0x0200, false},
      {"Shift-JIS", sjis, false, 0, false},
      {"UTF-8 with BOM, Japanese body", "\xEF\xBB\xBF\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\r\n", false, 0, false},
      {"1 byte: flags cleared, odd length not set", "A", false, 0, false},
      {"0 bytes", "", false, 0, false},
      {"A and zero (UTF-16 A)", std::string("A\0", 2), false, 0, false},
      {"zero and A", std::string("\0A", 2), true, 0x1000, false},
      {"FF FE alone", "\xFF\xFE", true, 0x0008, false},
      {"FE FF alone", "\xFE\xFF", false, 0x0080, false},
      {"noise", noise, false, 0, false},
      {"bytes 00..3F", ascending, true, 0x1000, false},
      {"MZ executable header", mz, false, 0x1046, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fact);
    // A copy exactly as long as the text, so that a read past it is caught
    // by the address sanitizer.
    const Bytes text = BytesOf(row.bytes);
    const std::uint8_t* data = text.empty() ? reinterpret_cast<const std::uint8_t*>("") : text.data();
    int flags = 0xFFFF, statistics = kTextUnicodeStatistics;
    const bool plain = Files().IsTextUnicode(data, text.size(), nullptr);
    const bool all = Files().IsTextUnicode(data, text.size(), &flags);
    const bool statistical = Files().IsTextUnicode(data, text.size(), &statistics);
    EXPECT_EQ(std::tuple(plain, all, flags, statistical),
              std::tuple(row.plain, row.plain, row.flagsOut, row.statistics))
        << "without flags, with 0xFFFF, the flags written back, statistics alone";
  }
  int flags = 0xFFFF;
  EXPECT_EQ(std::pair(Files().IsTextUnicode(nullptr, 8, &flags), flags), std::pair(false, 0)) << "no bytes";
}

TEST(CodePage, ShiftJisConversions) {
  enum Way { Both, ToText, FromText };
  const struct {
    const char* fact;
    std::string bytes;
    std::u16string text;
    Way way;
  } rows[] = {
      {"kanji", "\x93\xFA\x96\x7B\x8C\xEA", u"\u65E5\u672C\u8A9E", Both},
      {"half-width katakana", "\xB1\xB2", u"\uFF71\uFF72", Both},
      {"a trail byte that is a backslash", "\x95\x5C", u"\u8868", Both},
      {"an inner zero is kept", std::string("a\0b", 3), std::u16string(u"a\0b", 3), Both},
      {"empty", "", u"", Both},
      {"a lead byte at the very end", "ab\x93", u"ab\uFFFD", ToText},
      {"a lead byte before a byte that is no trail: the next byte stands", "\x81\x20z", u"\uFFFD z", ToText},
      {"a byte that is no character, between good ones", "a\xA0\x93\xFA", u"a\uFFFD\u65E5", ToText},
      {"Hangul has no place in Shift-JIS", "x?y", u"x\uD55Cy", FromText},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fact);
    if (row.way != FromText) {
      EXPECT_EQ(ToUtf16(row.bytes, 932), row.text);
    }
    if (row.way != ToText) {
      EXPECT_EQ(FromUtf16(row.text, 932), row.bytes);
    }
  }
  EXPECT_EQ(ToUtf8(FromUtf8("\xE3\x83\x89", 932), 932), "\xE3\x83\x89") << "UTF-8 both ways";
  EXPECT_TRUE(IsSupportedCodePage(932) && IsSupportedCodePage(1252) && !IsSupportedCodePage(12345));
}

}  // namespace
}  // namespace zr::conformance

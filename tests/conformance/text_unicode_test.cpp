// IsTextUnicode: the verdict without flags, with every test asked for (and
// the flags it writes back), and with the statistical test alone, for the
// kinds of text an INF or work file may hold.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/conformance/world_fixture.h"

namespace zr::conformance {
namespace {

using namespace zr::win;

constexpr char kPangram[] = "The quick brown fox jumps over the lazy dog.";  // 44 characters

Bytes Utf16(std::string_view ascii, bool bigEndian, bool bom) {
  Bytes out;
  if (bom) out = bigEndian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE};
  for (char c : ascii) {
    const auto unit = static_cast<std::uint8_t>(c);
    if (bigEndian) out.push_back(0);
    out.push_back(unit);
    if (!bigEndian) out.push_back(0);
  }
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// Bytes 1..255 from a fixed linear congruential sequence: text-like noise
// with no zero byte and no byte-order mark.
Bytes Noise(std::size_t size) {
  Bytes out;
  std::uint32_t state = 12345;
  while (out.size() < size) {
    state = state * 1103515245u + 12345u;
    const auto byte = static_cast<std::uint8_t>(state >> 16);
    if (byte != 0 && byte < 0xFE) out.push_back(byte);
  }
  return out;
}

// Shift-JIS: 日本語のテキストです。 (11 double-byte characters).
const Bytes kSjis11 = {0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA, 0x82, 0xCC, 0x83, 0x65, 0x83,
                       0x4C, 0x83, 0x58, 0x83, 0x67, 0x82, 0xC5, 0x82, 0xB7, 0x81, 0x42};
const Bytes kUtf8Bom = {0xEF, 0xBB, 0xBF};

struct Row {
  const char* fact;
  Bytes bytes;
  std::size_t size;
  bool plain;          // IsTextUnicode(bytes, size, NULL)
  int flagsOut;        // written back when 0xFFFF is given
  bool statistics;     // with IS_TEXT_UNICODE_STATISTICS alone
};

class TextUnicode : public WorldTest {};

TEST_F(TextUnicode, VerdictsAndFlags) {
  const Bytes utf16Bom = Utf16(kPangram, false, true);
  const Bytes utf16 = Utf16(kPangram, false, false);
  const Bytes utf16Hi = Utf16("Hi", false, false);
  const Bytes utf16BeBom = Utf16(kPangram, true, true);
  const Bytes utf16Be = Utf16(kPangram, true, false);
  const Bytes ascii44 = BytesOf(kPangram);
  const Bytes ascii29 = BytesOf("The quick brown fox jumps ove");
  const Bytes ini31 = BytesOf("[Sec]\r\nKey=Value\r\nOther=12345\r\n");
  const Bytes sjisMixed = Concat({BytesOf("Driver: "), Bytes(kSjis11.begin(), kSjis11.begin() + 16)});
  const Bytes sjis3 = Bytes(kSjis11.begin(), kSjis11.begin() + 6);
  const Bytes katakana5 = {0xB6, 0xC0, 0xB6, 0xC5, 0xB0};  // ｶﾀｶﾅｰ
  const Bytes utf8Ascii = Concat({kUtf8Bom, BytesOf("[Sec]\r\nKey=Value\r\nA=1234")});
  const Bytes utf8Japanese =
      Concat({kUtf8Bom, {0xE6, 0x97, 0xA5, 0xE6, 0x9C, 0xAC, 0xE8, 0xAA, 0x9E, 0x0D, 0x0A}});
  Bytes ascending(64);
  for (std::size_t i = 0; i < ascending.size(); ++i) ascending[i] = static_cast<std::uint8_t>(i);
  const Bytes mz = {0x4D, 0x5A, 0x90, 0x00, 0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00,
                    0x00, 0xFF, 0xFF, 0x00, 0x00, 0xB8, 0x00, 0x00, 0x00, 0x00, 0x00,
                    0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

  const std::vector<Row> rows = {
      {"UTF-16LE with BOM", utf16Bom, 90, true, 0x100E, true},
      {"UTF-16LE without BOM", utf16, 88, true, 0x1006, true},
      {"UTF-16LE Hi", utf16Hi, 4, true, 0x1002, true},
      {"UTF-16BE with BOM", utf16BeBom, 90, false, 0x10C0, false},
      {"UTF-16BE without BOM", utf16Be, 88, false, 0x1040, false},
      {"ASCII, even length", ascii44, 44, false, 0x0000, false},
      {"ASCII, odd length", ascii29, 29, false, 0x0200, false},
      {"INI text with CRLF", ini31, 31, false, 0x0200, false},
      {"abcd", BytesOf("abcd"), 4, false, 0, false},
      {"Shift-JIS, 11 double-byte characters", kSjis11, 22, false, 0, false},
      {"Shift-JIS mixed with ASCII", sjisMixed, 24, false, 0, false},
      {"Shift-JIS, 3 characters", sjis3, 6, false, 0, false},
      {"half-width katakana", katakana5, 5, false, 0x0200, false},
      {"UTF-8 with BOM, ASCII body", utf8Ascii, 27, false, 0x0200, false},
      {"UTF-8 with BOM, Japanese body", utf8Japanese, 14, false, 0, false},
      {"UTF-8 BOM alone", kUtf8Bom, 3, false, 0x0200, false},
      {"1 byte A: flags cleared, odd length not set", BytesOf("A"), 1, false, 0, false},
      {"1 byte FF", Bytes{0xFF}, 1, false, 0, false},
      {"0 bytes", Bytes{}, 0, false, 0, false},
      {"AB", BytesOf("AB"), 2, false, 0, false},
      {"A and zero (UTF-16 A)", Bytes{'A', 0}, 2, false, 0, false},
      {"zero and A", Bytes{0, 'A'}, 2, true, 0x1000, false},
      {"FF FE alone", Bytes{0xFF, 0xFE}, 2, true, 0x0008, false},
      {"FE FF alone", Bytes{0xFE, 0xFF}, 2, false, 0x0080, false},
      {"noise, 256 bytes", Noise(256), 256, false, 0, false},
      {"noise, 64 bytes", Noise(64), 64, false, 0, false},
      {"32 zero bytes", Bytes(32, 0), 32, false, 0x1046, true},
      {"bytes 00..3F", ascending, 64, true, 0x1000, false},
      {"MZ executable header", mz, 32, false, 0x1046, true},
  };

  for (const Row& row : rows) {
    SCOPED_TRACE(row.fact);
    ASSERT_EQ(row.bytes.size(), row.size);
    // A copy exactly as long as the text, so that a read past it is caught
    // by the address sanitizer.
    const std::vector<std::uint8_t> text(row.bytes);
    const std::uint8_t unused = 0;
    const std::uint8_t* data = text.empty() ? &unused : text.data();

    EXPECT_EQ(Files().IsTextUnicode(data, row.size, nullptr), row.plain) << "without flags";

    int flags = 0xFFFF;
    EXPECT_EQ(Files().IsTextUnicode(data, row.size, &flags), row.plain) << "with 0xFFFF";
    EXPECT_EQ(flags, row.flagsOut) << "flags written back";

    int statistics = kTextUnicodeStatistics;
    EXPECT_EQ(Files().IsTextUnicode(data, row.size, &statistics), row.statistics)
        << "statistics alone";
  }
}

}  // namespace
}  // namespace zr::conformance

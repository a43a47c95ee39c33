#include "platform/sim/reg_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/text/codepage.h"
#include "platform/win_codes.h"

namespace zr::sim {
namespace {

using namespace std::string_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr unsigned kCodePage = 932;
constexpr RegFormat kFormats[] = {RegFormat::Regedit4, RegFormat::Version5};

const char* Name(RegFormat format) { return format == RegFormat::Regedit4 ? "REGEDIT4" : "version 5"; }

Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }
std::string Sjis(std::string_view utf8) { return text::FromUtf8(utf8, kCodePage); }

Bytes Utf16File(std::string_view utf8) {
  Bytes bytes{0xFF, 0xFE};
  for (char16_t unit : text::Utf16FromUtf8(utf8)) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

// A file whose body follows the header and a blank line. The body is ASCII
// or, for version 5, UTF-8.
Bytes RegFile(RegFormat format, std::string_view body) {
  if (format == RegFormat::Regedit4) return ToBytes("REGEDIT4\r\n\r\n" + std::string(body));
  return Utf16File("Windows Registry Editor Version 5.00\r\n\r\n" + std::string(body));
}

// The text of a written file: code-page bytes, or UTF-8 for version 5.
std::string FileText(const Bytes& bytes, RegFormat format) {
  if (format == RegFormat::Regedit4) return std::string(bytes.begin(), bytes.end());
  EXPECT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  std::u16string wide;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) wide += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
  return text::Utf8FromUtf16(wide);
}

struct Parsed {
  RegTree tree{kCodePage};
  RegFormat format = RegFormat::Regedit4;
  RegParseError error;
  bool ok = false;
};

Parsed Parse(const Bytes& bytes) {
  Parsed parsed;
  parsed.ok = ParseRegFile(bytes, parsed.tree, parsed.format, parsed.error);
  return parsed;
}

const RegValue* FindValue(const RegTree& tree, std::string_view path, std::string_view name) {
  const auto key = tree.Find(path);
  return key ? key->FindValue(tree.Fold(name)) : nullptr;
}

Bytes DataOf(std::string_view bytes) { return ToBytes(bytes); }

Bytes ReadTestData(const char* name) {
  const auto path = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "testdata" / "reg" / name;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---- reading ----

TEST(RegFileRead, ValueKindsInBothFormats) {
  struct Row {
    std::string line4;  // the value line in a REGEDIT4 file
    std::string line5;  // in a version 5 file, when it differs
    std::uint32_t type;
    std::string data;
    std::optional<std::string> data5 = std::nullopt;  // read from line5, when it differs
  };
  const Row rows[] = {
      {R"("v"="abc")", "", win::kRegSz, "abc\0"s},
      {R"("v"="")", "", win::kRegSz, "\0"s},
      {R"(  "v" = "a b" ; comment)", "", win::kRegSz, "a b\0"s},
      {R"("v"=dword:0000002a)", "", win::kRegDword, "\x2a\0\0\0"s},
      {R"("v"=dword:FFFFfffe)", "", win::kRegDword, "\xfe\xff\xff\xff"s},
      {R"("v"=dword:1 ; short form)", "", win::kRegDword, "\x01\0\0\0"s},
      {R"("v"=hex:00,ff,7F)", "", win::kRegBinary, "\0\xff\x7f"s},
      {R"("v"=hex: 1 , a)", "", win::kRegBinary, "\x01\x0a"s},
      {R"("v"=hex:)", "", win::kRegBinary, ""},
      {R"("v"=hex(0):)", "", win::kRegNone, ""},
      {R"("v"=hex(4):01,02,03)", "", win::kRegDword, "\x01\x02\x03"s},
      {R"("v"=hex(b):01,02,03,04,05,06,07,08)", "", 11, "\x01\x02\x03\x04\x05\x06\x07\x08"},
      {R"("v"=hex(12345678):ab)", "", 0x12345678, "\xab"},
      {R"("v"=hex(2):25,41,25,00)", R"("v"=hex(2):25,00,41,00,25,00,00,00)", win::kRegExpandSz, "%A%\0"s},
      {R"("v"=hex(7):61,00,62,00,00)", R"("v"=hex(7):61,00,00,00,62,00,00,00,00,00)", win::kRegMultiSz,
       "a\0b\0\0"s},
      {R"("v"=hex(1):41,42)", R"("v"=hex(1):41,00,42,00)", win::kRegSz, "AB"},
      // Half a UTF-16 character is no character and is dropped.
      {R"("v"=hex(1):41,00,42)", "", win::kRegSz, "A\0B"s, "A"},
  };
  for (RegFormat format : kFormats) {
    for (const Row& row : rows) {
      const std::string& line = format == RegFormat::Version5 && !row.line5.empty() ? row.line5 : row.line4;
      SCOPED_TRACE(std::string(Name(format)) + ": " + line);
      const Parsed parsed = Parse(RegFile(format, "[HKEY_LOCAL_MACHINE\\K]\r\n" + line + "\r\n"));
      ASSERT_TRUE(parsed.ok) << parsed.error.line << ": " << parsed.error.message;
      EXPECT_EQ(parsed.format, format);
      const RegValue* value = FindValue(parsed.tree, "K", "v");
      ASSERT_NE(value, nullptr);
      EXPECT_EQ(value->type, row.type);
      EXPECT_EQ(value->data, DataOf(format == RegFormat::Version5 && row.data5 ? *row.data5 : row.data));
    }
  }
}

TEST(RegFileRead, EscapesInNamesAndStrings) {
  struct Row {
    std::string line;
    std::string name;
    std::string data;
  };
  const Row rows[] = {
      {R"("v"="C:\\dir\\")", "v", "C:\\dir\\\0"s},
      {R"("v"="say \"hi\"")", "v", "say \"hi\"\0"s},
      {R"("v"="a\nb\r")", "v", "a\nb\r\0"s},
      {R"("v"="a\0b")", "v", "a\0b\0"s},
      {R"("a\"b\\c"="x")", "a\"b\\c", "x\0"s},
      {R"(@="default")", "", "default\0"s},
      {R"(""="empty name is the default")", "", "empty name is the default\0"s},
  };
  for (RegFormat format : kFormats) {
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(Name(format)) + ": " + row.line);
      const Parsed parsed = Parse(RegFile(format, "[HKEY_LOCAL_MACHINE\\K]\n" + row.line + "\n"));
      ASSERT_TRUE(parsed.ok) << parsed.error.line << ": " << parsed.error.message;
      const RegValue* value = FindValue(parsed.tree, "K", row.name);
      ASSERT_NE(value, nullptr);
      EXPECT_EQ(value->name, row.name);
      EXPECT_EQ(value->data, DataOf(row.data));
    }
  }
}

TEST(RegFileRead, ContinuedHexLists) {
  const std::string lines[] = {
      "\"v\"=hex:01,02,\\\r\n  03,04,\\\r\n  05\r\n",
      "\"v\"=hex:01,02,\\\n\t03,04, \\  \n05\n",
      "\"v\"=hex:\\\r\n  01,02,03,04,05 ; trailing comment\r\n",
  };
  for (RegFormat format : kFormats) {
    for (const std::string& line : lines) {
      SCOPED_TRACE(std::string(Name(format)) + ": " + line);
      const Parsed parsed = Parse(RegFile(format, "[HKEY_LOCAL_MACHINE\\K]\r\n" + line + "\"after\"=\"x\"\r\n"));
      ASSERT_TRUE(parsed.ok) << parsed.error.line << ": " << parsed.error.message;
      const RegValue* value = FindValue(parsed.tree, "K", "v");
      ASSERT_NE(value, nullptr);
      EXPECT_EQ(value->data, DataOf("\x01\x02\x03\x04\x05"));
      EXPECT_NE(FindValue(parsed.tree, "K", "after"), nullptr);
    }
  }
}

TEST(RegFileRead, DeletionsApplyToTheTreeReadSoFar) {
  for (RegFormat format : kFormats) {
    SCOPED_TRACE(Name(format));
    RegTree tree(kCodePage);
    RegFormat read;
    RegParseError error;
    ASSERT_TRUE(ParseRegFile(RegFile(format,
                                     "[HKEY_LOCAL_MACHINE\\A\\B\\C]\r\n"
                                     "[HKEY_LOCAL_MACHINE\\A\\Keep]\r\n"
                                     "@=\"d\"\r\n\"x\"=\"1\"\r\n\"y\"=\"2\"\r\n"),
                             tree, read, error));
    // A second file merges into the same tree, as a plugged-in device's keys do.
    ASSERT_TRUE(ParseRegFile(RegFile(format,
                                     "[-hkey_local_machine\\a\\b]\r\n"
                                     "[-HKEY_LOCAL_MACHINE\\No\\Such\\Key]\r\n"
                                     "[HKEY_LOCAL_MACHINE\\A\\Keep]\r\n"
                                     "@=-\r\n\"X\"=-\r\n\"missing\"=-\r\n"),
                             tree, read, error))
        << error.line << ": " << error.message;
    EXPECT_EQ(tree.Find("A\\B"), nullptr);
    ASSERT_NE(tree.Find("A\\Keep"), nullptr);
    EXPECT_EQ(FindValue(tree, "A\\Keep", ""), nullptr);
    EXPECT_EQ(FindValue(tree, "A\\Keep", "x"), nullptr);
    EXPECT_NE(FindValue(tree, "A\\Keep", "y"), nullptr);
    EXPECT_EQ(tree.Root().CountKeys(), 3u);  // root, A, Keep
  }
}

TEST(RegFileRead, MalformedInputIsRefusedWithItsLine) {
  struct Row {
    std::string body;  // after the header and a blank line (lines 1 and 2)
    std::size_t line;
    std::string message;
  };
  const std::string key = "[HKEY_LOCAL_MACHINE\\K]\r\n";
  const Row rows[] = {
      {"\"v\"=\"x\"\r\n", 3, "value before any key"},
      {"[HKEY_CURRENT_USER\\Software]\r\n", 3, "key outside HKEY_LOCAL_MACHINE: 'HKEY_CURRENT_USER\\Software'"},
      {"[HKEY_LOCAL_MACHINEX\\a]\r\n", 3, "key outside HKEY_LOCAL_MACHINE"},
      {"[HKEY_LOCAL_MACHINE\\a\r\n", 3, "key line does not end with ']'"},
      {"[HKEY_LOCAL_MACHINE\\a] x\r\n", 3, "unexpected text after the key line's ']'"},
      {"[-HKEY_LOCAL_MACHINE]\r\n", 3, "HKEY_LOCAL_MACHINE itself cannot be deleted"},
      {key + "[-HKEY_LOCAL_MACHINE\\K]\r\n\"v\"=\"x\"\r\n", 5, "value after a key deletion line"},
      {key + "junk\r\n", 4, "unexpected text 'junk'"},
      {key + "\"v\"=hex:01,zz\r\n", 4, "bad hex byte 'zz'"},
      {key + "\"v\"=hex:123\r\n", 4, "bad hex byte '123'"},
      {key + "\"v\"=hex:01 02\r\n", 4, "expected ',' after hex byte '01'"},
      {key + "\"v\"=foo:12\r\n", 4, "unknown value kind 'foo:'"},
      {key + "\"v\"=qword:12\r\n", 4, "unknown value kind 'qword:'"},
      {key + "\"v\"=\r\n", 4, "value has no data after '='"},
      {key + "\"v\" \"x\"\r\n", 4, "expected '=' after the value name"},
      {key + "\"v\"=\"abc\r\n", 4, "unterminated string"},
      {key + "\"v=\"abc\"\r\n", 4, "expected '=' after the value name"},
      {key + "\"v\"=\"a\\qb\"\r\n", 4, "unknown escape '\\q'"},
      {key + "\"v\"=\"a\" junk\r\n", 4, "unexpected text after the value: 'junk'"},
      {key + "\"v\"=dword:123456789\r\n", 4, "dword has more than 8 hex digits"},
      {key + "\"v\"=dword:\r\n", 4, "bad dword ''"},
      {key + "\"v\"=dword:12x4\r\n", 4, "bad dword '12x4'"},
      {key + "\"v\"=hex(zz):01\r\n", 4, "bad value type in 'hex(': 'zz'"},
      {key + "\"v\"=hex(123456789):01\r\n", 4, "bad value type in 'hex(': '123456789'"},
      {key + "\"v\"=hex(2)01\r\n", 4, "expected ':' after 'hex(2)'"},
      {key + "\"v\"=hex:01,\\\r\n", 4, "file ends inside a continued line"},
      {key + "\"v\"=hex:01,\\\r\n\r\n\"w\"=\"x\"\r\n", 5, "continued line is empty"},
      {key + "\"v\"=hex:01,\\ 02\r\n", 4, "unexpected text after the continuation '\\': '02'"},
      {key + "\"a\\0b\"=\"x\"\r\n", 4, "name 'a\\x00b' contains a zero character"},
  };
  for (RegFormat format : kFormats) {
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(Name(format)) + ": " + row.body);
      const Parsed parsed = Parse(RegFile(format, row.body));
      ASSERT_FALSE(parsed.ok);
      EXPECT_EQ(parsed.error.line, row.line);
      EXPECT_NE(parsed.error.message.find(row.message), std::string::npos) << parsed.error.message;
    }
  }
}

TEST(RegFileRead, FilesThatAreNoExportOrCutShortAreRefused) {
  const Bytes v5 = RegFile(RegFormat::Version5, "[HKEY_LOCAL_MACHINE\\K]\r\n\"v\"=\"x\"\r\n");
  struct Row {
    const char* what;
    Bytes bytes;
    std::size_t line;
    std::string message;
  };
  const Row rows[] = {
      {"empty", {}, 1, "not a registry export (the file is empty)"},
      {"other first line", ToBytes("REGEDIT5\r\n"), 1, "not a registry export (first line 'REGEDIT5')"},
      {"header not first", ToBytes("\r\nREGEDIT4\r\n"), 1, "not a registry export"},
      {"REGEDIT4 in UTF-16", Utf16File("REGEDIT4\r\n"), 1, "not a registry export (first line 'REGEDIT4')"},
      {"REGEDIT4 marked UTF-8", ToBytes("\xEF\xBB\xBFREGEDIT4\r\n"), 1, "not UTF-8"},
      {"big-endian", ToBytes("\xFE\xFF\0W"s), 1, "big-endian"},
      {"odd UTF-16", Bytes(v5.begin(), v5.end() - 1), 4, "odd number of bytes"},
      {"bad UTF-8", ToBytes("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\\xC3(]\r\n"), 3,
       "not valid UTF-8"},
      {"cut inside a string", Bytes(v5.begin(), v5.end() - 8), 4, "unterminated string"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const Parsed parsed = Parse(row.bytes);
    ASSERT_FALSE(parsed.ok);
    EXPECT_EQ(parsed.error.line, row.line);
    EXPECT_NE(parsed.error.message.find(row.message), std::string::npos) << parsed.error.message;
  }
}

TEST(RegFileRead, NamesMustSurviveTheCodePage) {
  struct Row {
    RegFormat format;
    std::string body;  // code-page bytes for REGEDIT4, UTF-8 for version 5
    std::string message;
  };
  const Row rows[] = {
      {RegFormat::Regedit4, "[HKEY_LOCAL_MACHINE\\a\x81 b]\r\n", "is not valid text in code page 932"},
      {RegFormat::Regedit4, "[HKEY_LOCAL_MACHINE\\K]\r\n\"\xA0\"=\"x\"\r\n", "is not valid text in code page 932"},
      {RegFormat::Version5, "[HKEY_LOCAL_MACHINE\\snow\u2603]\r\n",
       "has characters that code page 932 cannot hold unchanged"},
      {RegFormat::Version5, "[HKEY_LOCAL_MACHINE\\K]\r\n\"\U0001F600\"=\"x\"\r\n", "cannot hold unchanged"},
      // Code page 932 turns U+00A5 into '\', which would split the key, and
      // U+301C into the bytes of U+FF5E, which would merge two keys.
      {RegFormat::Version5, "[HKEY_LOCAL_MACHINE\\yen\u00A5sign]\r\n", "cannot hold unchanged"},
      {RegFormat::Version5, "[HKEY_LOCAL_MACHINE\\wave\u301C]\r\n", "cannot hold unchanged"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.body);
    const Parsed parsed = Parse(RegFile(row.format, row.body));
    ASSERT_FALSE(parsed.ok);
    EXPECT_NE(parsed.error.message.find(row.message), std::string::npos) << parsed.error.message;
  }
}

TEST(RegFileRead, KeyDepthIsBoundedAsInTheRegistry) {
  for (std::size_t depth : {512u, 513u}) {
    SCOPED_TRACE(depth);
    std::string path = "HKEY_LOCAL_MACHINE";
    for (std::size_t i = 0; i < depth; ++i) path += "\\k";
    const Parsed parsed = Parse(RegFile(RegFormat::Regedit4, "[" + path + "]\r\n"));
    EXPECT_EQ(parsed.ok, depth <= 512);
    if (!parsed.ok) {
      EXPECT_EQ(parsed.error.message, "key path deeper than 512 levels");
    }
  }
}

TEST(RegFileRead, Version5InUtf8ReadsLikeUtf16) {
  const std::string body = "[HKEY_LOCAL_MACHINE\\日本]\r\n\"名前\"=\"値\"\r\n";
  const Parsed utf16 = Parse(RegFile(RegFormat::Version5, body));
  ASSERT_TRUE(utf16.ok);
  for (const std::string& mark : {""s, "\xEF\xBB\xBF"s}) {
    const Parsed utf8 = Parse(ToBytes(mark + "Windows Registry Editor Version 5.00\r\n\r\n" + body));
    ASSERT_TRUE(utf8.ok) << utf8.error.message;
    EXPECT_EQ(utf8.format, RegFormat::Version5);
    EXPECT_TRUE(utf8.tree.SameAs(utf16.tree));
  }
  EXPECT_NE(FindValue(utf16.tree, Sjis("日本"), Sjis("名前")), nullptr);
}

// ---- writing ----

RegTree TreeWith(std::uint32_t type, std::string_view data, std::string_view name = "v") {
  RegTree tree(kCodePage);
  tree.Create("K")->SetValue(name, tree.Fold(name), type, DataOf(data));
  return tree;
}

TEST(RegFileWrite, ChoosesAFormThatReadsBack) {
  struct Row {
    std::uint32_t type;
    std::string data;
    std::string line4;
    std::string line5;  // when it differs
  };
  const Row rows[] = {
      {win::kRegSz, "abc\0"s, R"("v"="abc")", ""},
      {win::kRegSz, "\0"s, R"("v"="")", ""},
      {win::kRegSz, "a\\\"b\0"s, R"("v"="a\\\"b")", ""},
      {win::kRegSz, "ab"s, R"("v"=hex(1):61,62)", R"("v"=hex(1):61,00,62,00)"},
      {win::kRegSz, "a\0b\0"s, R"("v"=hex(1):61,00,62,00)", R"("v"=hex(1):61,00,00,00,62,00,00,00)"},
      {win::kRegSz, "a\0\0"s, R"("v"=hex(1):61,00,00)", R"("v"=hex(1):61,00,00,00,00,00)"},
      {win::kRegSz, "a\nb\0"s, R"("v"=hex(1):61,0a,62,00)", R"("v"=hex(1):61,00,0a,00,62,00,00,00)"},
      {win::kRegSz, "a\tb\0"s, R"("v"=hex(1):61,09,62,00)", R"("v"=hex(1):61,00,09,00,62,00,00,00)"},
      {win::kRegExpandSz, "%A%\0"s, R"("v"=hex(2):25,41,25,00)", R"("v"=hex(2):25,00,41,00,25,00,00,00)"},
      {win::kRegMultiSz, "a\0\0"s, R"("v"=hex(7):61,00,00)", R"("v"=hex(7):61,00,00,00,00,00)"},
      {win::kRegDword, "\x78\x56\x34\x12", R"("v"=dword:12345678)", ""},
      {win::kRegDword, "\x01\x02\x03", R"("v"=hex(4):01,02,03)", ""},
      {win::kRegBinary, "", R"("v"=hex:)", ""},
      {win::kRegBinary, "\x00\xff"s, R"("v"=hex:00,ff)", ""},
      {0x12345678, "\x01", R"("v"=hex(12345678):01)", ""},
  };
  for (RegFormat format : kFormats) {
    for (const Row& row : rows) {
      const std::string& expected = format == RegFormat::Version5 && !row.line5.empty() ? row.line5 : row.line4;
      SCOPED_TRACE(std::string(Name(format)) + ": " + expected);
      const std::string text = FileText(WriteRegFile(TreeWith(row.type, row.data), format), format);
      EXPECT_NE(text.find("\r\n" + expected + "\r\n"), std::string::npos) << text;
    }
  }
}

TEST(RegFileWrite, LaysOutEveryKeyLikeRegedit) {
  RegTree tree(kCodePage);
  tree.Create("Software\\Empty");
  const auto key = tree.Create("Software\\Vendor");
  key->SetValue("", tree.Fold(""), win::kRegSz, DataOf("d\0"s));
  key->SetValue("Bytes", tree.Fold("Bytes"), win::kRegBinary, Bytes(30, 0xab));
  const std::string wrapped = "\"Bytes\"=hex:" + [] {
    std::string s;
    for (int i = 0; i < 22; ++i) s += "ab,";  // up to column 78
    s += "\\\r\n  ";
    for (int i = 0; i < 7; ++i) s += "ab,";
    return s + "ab";
  }();
  EXPECT_EQ(FileText(WriteRegFile(tree, RegFormat::Regedit4), RegFormat::Regedit4),
            "REGEDIT4\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Empty]\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Vendor]\r\n"
            "@=\"d\"\r\n" +
                wrapped + "\r\n\r\n");
}

// ---- round trips ----

// Everything awkward a tree can hold that a file can still carry.
RegTree AwkwardTree() {
  RegTree tree(kCodePage);
  auto add = [&tree](std::string_view path, std::string_view name, std::uint32_t type, std::string_view data) {
    tree.Create(path)->SetValue(name, tree.Fold(name), type, DataOf(data));
  };
  tree.Create("Empty\\Nested empty");
  tree.Create(Sjis("ソフト\\表示"));  // trail bytes 0x5C
  add("Names", "", win::kRegSz, "default\0"s);
  add("Names", "quote\"back\\slash", win::kRegSz, "x\0"s);
  add("Names", "line\nbreak\rname", win::kRegSz, "x\0"s);
  add("Names", "]bracket[", win::kRegSz, "x\0"s);
  add("Names", Sjis("名前ソ"), win::kRegSz, Sjis("値ソ表\\\"") + "\0"s);
  add("Names\\-dash", "v", win::kRegDword, "\x01\x02\x03\x04");
  add("Names\\trailing ]", "v", win::kRegDword, "\x01\x02\x03\x04");
  add("Names\\ leading blank", "v", win::kRegDword, "\x01\x02\x03\x04");
  add("Data", "no terminator", win::kRegSz, "abc");
  add("Data", "inner zero", win::kRegSz, "a\0b\0"s);
  add("Data", "two zeros", win::kRegSz, "ab\0\0"s);
  add("Data", "control", win::kRegSz, "tab\there\r\n\0"s);
  add("Data", "empty sz", win::kRegSz, "");
  add("Data", "expand", win::kRegExpandSz, "%SystemRoot%\\x\0"s);
  add("Data", "multi", win::kRegMultiSz, Sjis("一\0二\0\0"s));
  add("Data", "short dword", win::kRegDword, "\x01");
  add("Data", "long dword", win::kRegDword, "\x01\x02\x03\x04\x05");
  add("Data", "none", win::kRegNone, "");
  add("Data", "odd type", 0xFFFFFFFF, "\x80");
  add("Data", "long binary", win::kRegBinary, std::string(1000, '\x5c'));
  add("Data", std::string(100, 'n'), win::kRegBinary, "\x01\x02");
  return tree;
}

TEST(RegFileRoundTrip, AwkwardTreeSurvivesBothFormats) {
  const RegTree tree = AwkwardTree();
  for (RegFormat format : kFormats) {
    SCOPED_TRACE(Name(format));
    EXPECT_TRUE(FitsRegFormat(tree, format));
    const Bytes written = WriteRegFile(tree, format);
    const Parsed back = Parse(written);
    ASSERT_TRUE(back.ok) << back.error.line << ": " << back.error.message;
    EXPECT_EQ(back.format, format);
    EXPECT_TRUE(back.tree.SameAs(tree));
    EXPECT_EQ(WriteRegFile(back.tree, format), written);
  }
}

TEST(RegFileRoundTrip, JapaneseNamesAndTextThroughVersion5) {
  RegTree tree(kCodePage);
  const std::string path = Sjis("日本語キー\\ソフト");
  const std::string name = Sjis("表示名");
  tree.Create(path)->SetValue(name, tree.Fold(name), win::kRegSz, DataOf(Sjis("ソフトウェア表示") + "\0"s));
  ASSERT_EQ(tree.Root().CountKeys(), 3u);  // 0x5C inside ソ splits nothing

  const Bytes written = WriteRegFile(tree, RegFormat::Version5);
  const std::string text = FileText(written, RegFormat::Version5);
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\日本語キー\\ソフト]\r\n\"表示名\"=\"ソフトウェア表示\"\r\n"),
            std::string::npos)
      << text;
  const Parsed back = Parse(written);
  ASSERT_TRUE(back.ok) << back.error.message;
  EXPECT_TRUE(back.tree.SameAs(tree));
  const RegValue* value = FindValue(back.tree, path, name);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->data, DataOf(Sjis("ソフトウェア表示") + "\0"s));
}

TEST(RegFileRoundTrip, TextTheCodePageCannotHoldFitsOnlyRegedit4) {
  // 0x81 0x20 is no Shift-JIS character: a Windows 9x registry may hold it,
  // UTF-16 cannot.
  const RegTree tree = TreeWith(win::kRegExpandSz, "\x81 \0"s);
  EXPECT_TRUE(FitsRegFormat(tree, RegFormat::Regedit4));
  EXPECT_FALSE(FitsRegFormat(tree, RegFormat::Version5));
  const Parsed back4 = Parse(WriteRegFile(tree, RegFormat::Regedit4));
  ASSERT_TRUE(back4.ok);
  EXPECT_TRUE(back4.tree.SameAs(tree));

  // Version 5 keeps the value and what UTF-16 can say of it (U+FFFD, which
  // the ANSI view reads as '?'); from then on the file is stable.
  const Parsed back5 = Parse(WriteRegFile(tree, RegFormat::Version5));
  ASSERT_TRUE(back5.ok);
  const RegValue* value = FindValue(back5.tree, "K", "v");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->data, DataOf("? \0"s));
  EXPECT_TRUE(FitsRegFormat(back5.tree, RegFormat::Version5));
  const Bytes again = WriteRegFile(back5.tree, RegFormat::Version5);
  const Parsed back = Parse(again);
  ASSERT_TRUE(back.ok);
  EXPECT_TRUE(back.tree.SameAs(back5.tree));
}

TEST(RegFileRoundTrip, NamesNoFileCanCarryAreReported) {
  const std::string names[] = {"line\nbreak", "back\\slash", "zero\0"s, "\x81"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    RegTree tree(kCodePage);
    tree.Root().AddChild(name, tree.Fold(name));
    for (RegFormat format : kFormats) EXPECT_FALSE(FitsRegFormat(tree, format));
  }
  RegTree deep(kCodePage);
  deep.Create([] {
    std::string path;
    for (int i = 0; i < 513; ++i) path += "k\\";
    return path;
  }());
  EXPECT_FALSE(FitsRegFormat(deep, RegFormat::Regedit4));
}

// ---- files written by Wine's regedit ----

TEST(RegFileWine, ExportOfAddedValuesReadsAsAdded) {
  const Parsed parsed = Parse(ReadTestData("wine_values.reg"));
  ASSERT_TRUE(parsed.ok) << parsed.error.line << ": " << parsed.error.message;
  EXPECT_EQ(parsed.format, RegFormat::Version5);
  struct Row {
    std::string name;
    std::uint32_t type;
    std::string data;
  };
  std::string longBinary;
  for (int i = 0; i < 70; ++i) longBinary += static_cast<char>(i);
  const Row rows[] = {
      {"", win::kRegSz, "default\0"s},
      {"Bin", win::kRegBinary, "\x00\x01\xab\xcd\xef\x01\x23\x45\x67\x89"s},
      {"Dw", win::kRegDword, "\x78\x56\x34\x12"},
      {"Exp", win::kRegExpandSz, "%SystemRoot%\\system32\0"s},
      {"Multi", win::kRegMultiSz, "one\0two\0three\0\0"s},
      {"LongMulti", win::kRegMultiSz, "first string here\0second string that is rather long\0third\0\0"s},
      {"Str", win::kRegSz, "quote \" back \\ end\0"s},
      {"LongBinaryValueName", win::kRegBinary, longBinary},
      {"Q", 11, "\x88\x77\x66\x55\x44\x33\x22\x11"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const RegValue* value = FindValue(parsed.tree, "Software\\ZrRegTest", row.name);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->type, row.type);
    EXPECT_EQ(value->data, DataOf(row.data));
  }
  EXPECT_NE(parsed.tree.Find("Software\\ZrRegTest\\Empty"), nullptr);
  const RegValue* japanese = FindValue(parsed.tree, Sjis("Software\\ZrRegTest\\日本語キー"), Sjis("値"));
  ASSERT_NE(japanese, nullptr);
  EXPECT_EQ(japanese->data, DataOf(Sjis("ソフトウェア表示") + "\0"s));
}

// Our export of what we read is regedit's own file, but for the keys above
// the exported one, which a whole-tree export also lists.
TEST(RegFileWine, WritingBackGivesRegeditsBytes) {
  struct Row {
    const char* file;
    std::string parents;
  };
  const Row rows[] = {
      {"wine_values.reg", "[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n"},
      {"wine_setup.reg",
       "[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft]\r\n\r\n"
       "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows]\r\n\r\n"
       "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\r\n\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    const Bytes original = ReadTestData(row.file);
    const Parsed parsed = Parse(original);
    ASSERT_TRUE(parsed.ok) << parsed.error.line << ": " << parsed.error.message;
    std::string expected = FileText(original, RegFormat::Version5);
    const std::size_t firstKey = expected.find("\r\n\r\n[");
    ASSERT_NE(firstKey, std::string::npos);
    expected.insert(firstKey + 4, row.parents);
    EXPECT_EQ(FileText(WriteRegFile(parsed.tree, RegFormat::Version5), RegFormat::Version5), expected);
  }
}

}  // namespace
}  // namespace zr::sim

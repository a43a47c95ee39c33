// .reg files: what each format reads (value kinds, escapes, continued lines,
// deletions) and refuses (with the line), what each format can carry,
// round trips of awkward trees, and the exports of Wine's regedit.
#include "platform/sim/reg_file.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/text/codepage.h"
#include "platform/win_codes.h"

namespace zr::sim {
namespace {

using namespace std::string_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr RegFormat kFormats[] = {RegFormat::Regedit4, RegFormat::Version5};
constexpr char kVersion5[] = "Windows Registry Editor Version 5.00\r\n\r\n";

const char* Name(RegFormat format) { return format == RegFormat::Regedit4 ? "REGEDIT4" : "version 5"; }
Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }
std::string Sjis(std::string_view utf8) { return text::FromUtf8(utf8, 932); }

// A file of the format whose body (UTF-8 text) follows the header and a
// blank line: code page 932, or UTF-16LE with a byte-order mark.
Bytes RegFile(RegFormat format, std::string_view body) {
  if (format == RegFormat::Regedit4) return ToBytes("REGEDIT4\r\n\r\n" + Sjis(body));
  Bytes bytes{0xFF, 0xFE};
  for (char16_t unit : text::Utf16FromUtf8(kVersion5 + std::string(body)))
    bytes.insert(bytes.end(), {static_cast<std::uint8_t>(unit & 0xFF), static_cast<std::uint8_t>(unit >> 8)});
  return bytes;
}

// A version 5 file as UTF-8 text (its byte-order mark left out).
std::string Version5Text(const Bytes& bytes) {
  std::u16string wide;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) wide += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
  return text::Utf8FromUtf16(wide);
}

struct Parsed {
  RegTree tree{932};
  RegFormat format = RegFormat::Regedit4;
  RegParseError error;
  bool ok = false;
};

Parsed Parse(const Bytes& bytes) {
  Parsed parsed;
  parsed.ok = ParseRegFile(bytes, parsed.tree, parsed.format, parsed.error);
  return parsed;
}

void Add(RegTree& tree, std::string_view path, std::string_view name, std::uint32_t type, std::string_view data) {
  tree.Create(path)->SetValue(name, tree.Fold(name), type, ToBytes(data));
}

TEST(RegFileRead, ValueKindsEscapesAndContinuedLinesInBothFormats) {
  struct Row {  // the REGEDIT4 line, kind and data; the version 5 line and data where they differ
    std::string line4;
    std::uint32_t type;
    std::string data, line5 = "";
    std::optional<std::string> data5 = {};
    std::string name = "v";
  };
  const Row rows[] = {
      {R"(  "v" = "a b" ; comment)", win::kRegSz, "a b\0"s},
      {R"("v"="C:\\dir\\ \"hi\" a\nb\r\0")", win::kRegSz, "C:\\dir\\ \"hi\" a\nb\r\0\0"s},
      {R"(@="default")", win::kRegSz, "default\0"s, "", {}, ""},
      // Second bytes 0x5C (ソ, 表) inside quotes escape nothing.
      {"\"名前ソ\"=\"値ソ表\"", win::kRegSz, Sjis("値ソ表") + "\0"s, "", {}, Sjis("名前ソ")},
      {R"("v"=dword:FFFFfffe)", win::kRegDword, "\xfe\xff\xff\xff"s},
      {R"("v"=dword:1 ; short)", win::kRegDword, "\x01\0\0\0"s},
      {R"("v"=hex: 0 , ff,7F)", win::kRegBinary, "\0\xff\x7f"s},
      {R"("v"=hex(12345678):ab)", 0x12345678, "\xab"},
      {R"("v"=hex(2):25,41,25,00)", win::kRegExpandSz, "%A%\0"s, R"("v"=hex(2):25,00,41,00,25,00,00,00)"},
      {R"("v"=hex(7):61,00,62,00,00)", win::kRegMultiSz, "a\0b\0\0"s, R"("v"=hex(7):61,00,00,00,62,00,00,00,00,00)"},
      // Half a UTF-16 character is no character and is dropped.
      {R"("v"=hex(1):41,00,42)", win::kRegSz, "A\0B"s, "", "A"},
      {"\"v\"=hex:\\\r\n  01,02,\\\r\n  03, \\  \n\t04 ; comment", win::kRegBinary, "\x01\x02\x03\x04"},
  };
  for (RegFormat format : kFormats) {
    for (const Row& row : rows) {
      const bool v5 = format == RegFormat::Version5;
      const std::string body = "[HKEY_LOCAL_MACHINE\\K]\r\n" + (v5 && !row.line5.empty() ? row.line5 : row.line4) +
                               "\r\n\"after\"=\"x\"\r\n";
      SCOPED_TRACE(std::string(Name(format)) + ": " + body);
      const Parsed parsed = Parse(RegFile(format, body));
      ASSERT_TRUE(parsed.ok) << parsed.error.line << ": " << parsed.error.message;
      const auto key = parsed.tree.Find("K");
      const RegValue* value = key->FindValue(parsed.tree.Fold(row.name));
      ASSERT_NE(value, nullptr);
      EXPECT_EQ(std::tie(value->name, value->type, value->data),
                std::make_tuple(row.name, row.type, ToBytes(v5 && row.data5 ? *row.data5 : row.data)));
      EXPECT_EQ(key->ValueCount(), 2u) << "the next line is a line of its own";
    }
  }
}

TEST(RegFileRead, DeletionsApplyToTheTreeReadSoFar) {
  for (RegFormat format : kFormats) {
    SCOPED_TRACE(Name(format));
    Parsed p = Parse(RegFile(format,
                             "[HKEY_LOCAL_MACHINE\\A\\B\\C]\r\n[HKEY_LOCAL_MACHINE\\A\\Keep]\r\n"
                             "@=\"d\"\r\n\"x\"=\"1\"\r\n\"y\"=\"2\"\r\n"));
    // A second file merges into the same tree, as a plugged-in device's keys do.
    ASSERT_TRUE(ParseRegFile(RegFile(format,
                                     "[-hkey_local_machine\\a\\b]\r\n[-HKEY_LOCAL_MACHINE\\No\\Such\\Key]\r\n"
                                     "[HKEY_LOCAL_MACHINE\\A\\Keep]\r\n@=-\r\n\"X\"=-\r\n\"missing\"=-\r\n"),
                             p.tree, p.format, p.error))
        << p.error.line << ": " << p.error.message;
    EXPECT_TRUE(p.tree.SameAs(Parse(RegFile(format, "[HKEY_LOCAL_MACHINE\\A\\Keep]\r\n\"y\"=\"2\"\r\n")).tree));
  }
}

TEST(RegFileRead, MalformedInputIsRefusedWithItsLine) {
  const std::string key = "[HKEY_LOCAL_MACHINE\\K]\r\n";
  std::string deep = "[HKEY_LOCAL_MACHINE";
  for (int i = 0; i < 513; ++i) deep += "\\k";
  // File bytes, the line refused and what the message says; first bodies
  // after the header and a blank line (lines 1 and 2), in both formats.
  std::vector<std::tuple<Bytes, std::size_t, std::string>> rows;
  for (const auto& [body, line, message] : std::initializer_list<std::tuple<std::string, std::size_t, std::string>>{
           {"\"v\"=\"x\"\r\n", 3, "value before any key"},
           {"[HKEY_CURRENT_USER\\Software]\r\n", 3, "key outside HKEY_LOCAL_MACHINE: 'HKEY_CURRENT_USER\\Software'"},
           {"[HKEY_LOCAL_MACHINE\\a\r\n", 3, "key line does not end with ']'"},
           {"[-HKEY_LOCAL_MACHINE]\r\n", 3, "HKEY_LOCAL_MACHINE itself cannot be deleted"},
           {deep + "]\r\n", 3, "key path deeper than 512 levels"},
           {key + "[-HKEY_LOCAL_MACHINE\\K]\r\n\"v\"=\"x\"\r\n", 5, "value after a key deletion line"},
           {key + "junk\r\n", 4, "unexpected text 'junk'"},
           {key + "\"v\"=hex:01,zz\r\n", 4, "bad hex byte 'zz'"},
           {key + "\"v\"=qword:12\r\n", 4, "unknown value kind 'qword:'"},
           {key + "\"v\"=hex:01,\\\r\n", 4, "ends inside a continued line"},
           {key + "\"v\"=\"abc\r\n", 4, "unterminated string"},
           {key + "\"v\"=\"a\\qb\"\r\n", 4, "unknown escape '\\q'"},
           {key + "\"v\"=dword:123456789\r\n", 4, "dword has more than 8 hex digits"},
           {key + "\"v\"=hex(123456789):01\r\n", 4, "bad value type in 'hex(': '123456789'"},
           {key + "\"a\\0b\"=\"x\"\r\n", 4, "name 'a\\x00b' contains a zero character"}}) {
    for (RegFormat format : kFormats) rows.emplace_back(RegFile(format, body), line, message);
  }
  const Bytes v5 = RegFile(RegFormat::Version5, key);
  rows.insert(rows.end(),
              {{{}, 1, "not a registry export (the file is empty)"},
               {ToBytes("\xEF\xBB\xBFREGEDIT4\r\n"), 1, "not UTF-8"},
               {ToBytes("\xFE\xFF\0W"s), 1, "big-endian"},
               {Bytes(v5.begin(), v5.end() - 1), 3, "odd number of bytes"},
               {ToBytes(kVersion5 + "[HKEY_LOCAL_MACHINE\\\xC3(]\r\n"s), 3, "not valid UTF-8"},
               {ToBytes("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\a\x81 b]\r\n"), 3, "not valid text in code page 932"},
               // Code page 932 would turn U+00A5 into '\' and split the key.
               {RegFile(RegFormat::Version5, "[HKEY_LOCAL_MACHINE\\yen\u00A5sign]\r\n"), 3, "cannot hold unchanged"}});
  for (const auto& [bytes, line, message] : rows) {
    SCOPED_TRACE(message);
    const Parsed parsed = Parse(bytes);
    EXPECT_TRUE(!parsed.ok && parsed.error.line == line) << parsed.error.line;
    EXPECT_NE(parsed.error.message.find(message), std::string::npos) << parsed.error.message;
  }
}

TEST(RegFileRoundTrip, AwkwardTreeSurvivesBothFormats) {
  RegTree tree(932);
  tree.Create("Empty\\Nested empty");
  tree.Create(Sjis("ソフト\\表示"));  // second bytes 0x5C
  for (const std::string& name : {""s, "quote\"back\\slash"s, "line\nbreak\rname"s, "]bracket["s, Sjis("名前ソ")})
    Add(tree, "Names", name, win::kRegSz, Sjis("値ソ表\\\"") + "\0"s);
  for (const char* key : {"Names\\-dash", "Names\\trailing ]", "Names\\ leading blank"})
    Add(tree, key, "v", win::kRegDword, "\x01\x02\x03\x04");
  Add(tree, "Data", "no terminator", win::kRegSz, "abc");
  Add(tree, "Data", "control", win::kRegSz, "tab\there\r\n\0"s);
  Add(tree, "Data", "multi", win::kRegMultiSz, Sjis("一\0二\0\0"s));
  Add(tree, "Data", "odd type", 0xFFFFFFFF, "\x80");
  Add(tree, "Data", "long binary", win::kRegBinary, std::string(1000, '\x5c'));
  ASSERT_EQ(tree.Root().CountKeys(), 10u) << "a second byte 0x5C splits no name";
  for (RegFormat format : kFormats) {
    SCOPED_TRACE(Name(format));
    const Bytes written = WriteRegFile(tree, format);
    const Parsed back = Parse(written);
    ASSERT_TRUE(back.ok) << back.error.line << ": " << back.error.message;
    EXPECT_TRUE(FitsRegFormat(tree, format) && back.format == format && back.tree.SameAs(tree));
    EXPECT_EQ(WriteRegFile(back.tree, format), written);
  }
}

// 0x81 0x20 is no Shift-JIS character: a Windows 9x registry may hold it,
// UTF-16 cannot. Version 5 keeps the value with what UTF-16 can say of it
// (U+FFFD, which the ANSI view reads as '?'). Names no file can carry are
// reported.
TEST(RegFileRoundTrip, WhatAFormatCannotCarry) {
  RegTree tree(932), expected(932);
  Add(tree, "K", "v", win::kRegExpandSz, "\x81 \0"s);
  Add(expected, "K", "v", win::kRegExpandSz, "? \0"s);
  EXPECT_TRUE(FitsRegFormat(tree, RegFormat::Regedit4));
  EXPECT_TRUE(Parse(WriteRegFile(tree, RegFormat::Regedit4)).tree.SameAs(tree));
  EXPECT_FALSE(FitsRegFormat(tree, RegFormat::Version5));
  EXPECT_TRUE(Parse(WriteRegFile(tree, RegFormat::Version5)).tree.SameAs(expected));
  for (const std::string& name : {"line\nbreak"s, "back\\slash"s, "zero\0"s, "\x81"s}) {
    RegTree named(932);
    named.Root().AddChild(name, named.Fold(name));
    for (RegFormat format : kFormats) EXPECT_FALSE(FitsRegFormat(named, format)) << name << " " << Name(format);
  }
}

// What a file holds comes back byte for byte when nothing changed it: text
// the code page cannot hold in version 5 (a name "Müller", a euro sign, an
// emoji, a multi-string with "ü", odd lengths, a lone surrogate), bytes that
// are no text in REGEDIT4, the sample images, and generated trees.
TEST(RegFileRoundTrip, LoadAndSaveGiveBackEveryByte) {
  std::vector<std::pair<std::string, Bytes>> files = {
      {"version 5, text outside the code page",
       RegFile(RegFormat::Version5,
               "[HKEY_LOCAL_MACHINE\\Other]\r\n\"FriendlyName\"=\"Modem 📞 \\\"pro\\\"\"\r\n"
               "\"HardwareID\"=hex(7):fc,00,00,00,41,00,00,00,00,00\r\n\"Lone\"=hex(1):00,d8,41,00,00,00\r\n"
               "\"Odd\"=hex(1):41,00,42\r\n\"Owner\"=\"Müller\"\r\n\"Path\"=hex(2):25,00,ac,20,00,00\r\n"
               "\"Price\"=\"5 €\"\r\n\r\n")},
      {"REGEDIT4, bytes that are no text",
       ToBytes("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Other]\r\n\"Bad\"=\"\x81\x20\xA0\xFD\xFF\"\r\n"
               "\"Lead before quote\"=hex(1):81,22,00\r\n\r\n")},
  };
  for (const auto& image : std::filesystem::directory_iterator(std::filesystem::path(ZR_SOURCE_DIR) / "machines")) {
    std::ifstream in(image.path() / "HKLM.reg", std::ios::binary);
    if (in)
      files.emplace_back(image.path().filename().string(),
                         Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
  }
  // Generated: every kind of data in both formats; what one write gives, a
  // read and a second write give again.
  std::uint32_t seed = 12345;
  const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (RegFormat format : kFormats) {
    RegTree tree(932);
    for (int v = 0; v < 200; ++v) {
      Bytes data(next() % 12);
      for (std::uint8_t& byte : data) byte = static_cast<std::uint8_t>(next() % 4 == 0 ? 0 : next());
      const std::uint32_t type =
          std::array{win::kRegSz, win::kRegExpandSz, win::kRegMultiSz, win::kRegBinary}[next() % 4];
      const std::string name = "v" + std::to_string(v);
      auto key = tree.Create("Generated\\K" + std::to_string(v % 7));
      const bool keptUtf16 = format == RegFormat::Version5 && type != win::kRegBinary;
      key->SetValue(name, tree.Fold(name), type, data, keptUtf16 ? std::optional(data) : std::nullopt);
    }
    files.emplace_back(std::string("generated ") + Name(format), WriteRegFile(tree, format));
  }
  for (const auto& [what, bytes] : files) {
    SCOPED_TRACE(what);
    const Parsed parsed = Parse(bytes);
    ASSERT_TRUE(parsed.ok) << parsed.error.line << ": " << parsed.error.message;
    EXPECT_TRUE(WriteRegFile(parsed.tree, parsed.format) == bytes);
  }
  // The ANSI calls read the code page's view of the same data.
  const Parsed v5 = Parse(files[0].second);
  EXPECT_EQ(v5.tree.Find("Other")->FindValue(v5.tree.Fold("Owner"))->data, ToBytes("M?ller\0"s));
}

// Our export of what we read is regedit's own file, but for the keys above
// the exported one, which a whole-tree export also lists.
TEST(RegFileWine, WritingBackGivesRegeditsBytes) {
  const char* names[] = {"Software", "Microsoft", "Windows", "CurrentVersion"};
  for (const auto& [file, depth] : {std::pair{"wine_values.reg", 1}, {"wine_setup.reg", 4}}) {
    SCOPED_TRACE(file);
    std::ifstream in(std::filesystem::path(ZR_SOURCE_DIR) / "testdata" / "reg" / file, std::ios::binary);
    const Bytes original{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const Parsed parsed = Parse(original);
    ASSERT_TRUE(parsed.ok) << parsed.error.line << ": " << parsed.error.message;
    std::string expected = Version5Text(original), parents, path = "[HKEY_LOCAL_MACHINE";
    for (int i = 0; i < depth; ++i) parents += (path += "\\" + std::string(names[i])) + "]\r\n\r\n";
    expected.insert(expected.find("\r\n\r\n[") + 4, parents);
    EXPECT_EQ(Version5Text(WriteRegFile(parsed.tree, RegFormat::Version5)), expected);
  }
}

}  // namespace
}  // namespace zr::sim

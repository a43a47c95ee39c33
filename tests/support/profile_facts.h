// What the Windows private-profile calls were measured to do (under Wine,
// NT and 98 modes alike), as tables for the conformance suite, which runs
// them against the work-file store and, under Wine, against the real calls.
// Each row names the measured fact it stands for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zr::testing::profile_facts {

using namespace std::string_literals;

// A hand-written file with CRLF line ends.
inline std::string HandWrittenFile() {
  const char* lines[] = {
      "k0=before any section",
      "[Sec]",
      "key1=value1",
      "  key2  =  value2  ",
      "key3=\"quoted value\"",
      "key4='single'",
      "key5=\"unbalanced",
      "key6=  \" spaced \"  ",
      "key6b=\"a\" b \"c\"",
      "key6c=abc\"",
      "key6d=\"\"",
      "key6e=\"",
      "key6f=\t tab\t ",
      ";key7=commented",
      " ;key7b=indented comment",
      "#key7c=hash",
      "key8",
      "key9=",
      "dup=first",
      "dup=second",
      "KeyCase=mixed",
      "key12=a;b ; not a comment",
      "key13 = x = y",
      "=novalue key",
      "[Sec]",
      "dup=third",
      "key10=in second section",
      "[sec]",
      "key11=lowercase section",
      "[ Spaced ]",
      "k=spaced section",
      "  [Indented]",
      "k=indented section",
      "[trail] junk",
      "k=trailing junk section",
      "[a]b]",
      "k=bracket section",
      "[x=y]",
      "k=eq section",
      "[Empty]",
      "[NoClose",
      "k=noclose section",
  };
  std::string text;
  for (const char* line : lines) text.append(line).append("\r\n");
  return text;
}

struct ReadRow {
  const char* fact;
  std::string section;
  std::string key;
  std::string expected;  // its length is the call's return value
  std::string def = "D";
  std::size_t size = 64;
};

// Reads of HandWrittenFile().
inline std::vector<ReadRow> HandWrittenReads() {
  return {
      {"plain", "Sec", "key1", "value1"},
      {"blanks trimmed", "Sec", "key2", "value2"},
      {"\" stripped", "Sec", "key3", "quoted value"},
      {"' stripped", "Sec", "key4", "single"},
      {"one leading quote kept", "Sec", "key5", "\"unbalanced"},
      {"trimmed, then unquoted", "Sec", "key6", " spaced "},
      {"only the outer characters go", "Sec", "key6b", "a\" b \"c"},
      {"a trailing quote kept", "Sec", "key6c", "abc\""},
      {"\"\" is empty, no default", "Sec", "key6d", ""},
      {"a lone quote kept", "Sec", "key6e", "\""},
      {"tabs trimmed", "Sec", "key6f", "tab"},
      {"unquoted, then cut", "Sec", "key3", "quoted ", "D", 8},
      {"a ; line by its full name", "Sec", ";key7", "commented"},
      {"...not without the ;", "Sec", "key7", "D"},
      {"an indented ; line", "Sec", ";key7b", "indented comment"},
      {"# is no comment", "Sec", "#key7c", "hash"},
      {"no = is no value", "Sec", "key8", "D"},
      {"an empty value is there", "Sec", "key9", ""},
      {"the first one wins", "Sec", "dup", "first"},
      {"a duplicate section is not read", "Sec", "key10", "D"},
      {"nor one in other case", "Sec", "key11", "D"},
      {"lookups ignore case", "SEC", "KEYCASE", "mixed"},
      {"; in a value kept", "Sec", "key12", "a;b ; not a comment"},
      {"split at the first =", "Sec", "key13", "x = y"},
      {"an empty key name", "Sec", "", "novalue key"},
      {"[ Spaced ] trimmed", "Spaced", "k", "spaced section"},
      {"query trimmed", " Spaced ", "k", "spaced section"},
      {"indented header", "Indented", "k", "indented section"},
      {"text after ] ignored", "trail", "k", "trailing junk section"},
      {"to the last ]", "a]b", "k", "bracket section"},
      {"...not the first", "a", "k", "D"},
      {"= inside a header", "x=y", "k", "eq section"},
      {"[NoClose is no header", "NoClose", "k", "D"},
      {"...its lines are [Empty]'s", "Empty", "k", "noclose section"},
      {"keys above the first header", "", "k0", "before any section"},
  };
}

// Defaults and small buffers, on HandWrittenFile() (key1 holds "value1").
inline std::vector<ReadRow> DefaultReads() {
  return {
      {"missing key", "Sec", "nokey", "def", "def"},
      {"no default", "Sec", "nokey", "", ""},
      {"default trimmed at the end", "Sec", "nokey", "def", "def   "},
      {"...only", "Sec", "nokey", "   def", "   def"},
      {"default unquoted", "Sec", "nokey", "def", "\"def\""},
      {"cut", "Sec", "nokey", "defa", "defaultvalue", 5},
      {"missing section", "NoSuch", "k", "def", "def"},
      {"size 0", "Sec", "key1", "", "D", 0},
      {"size 1", "Sec", "key1", "", "D", 1},
      {"size 2", "Sec", "key1", "v", "D", 2},
      {"size 1, default", "Sec", "nokey", "", "def", 1},
      {"size 3, default", "Sec", "nokey", "de", "def", 3},
  };
}

// Values longer than a 260-byte buffer holds, in [S].
inline std::string TruncationFile() {
  const std::string x(300, 'x');
  return "[S]\r\nk258=" + x.substr(0, 258) + "\r\nk259=" + x.substr(0, 259) + "\r\nk260=" + x.substr(0, 260) +
         "\r\nk300=" + x + "\r\nquoted300=\"" + x + "\"\r\n";
}

inline std::vector<ReadRow> TruncationReads() {
  const std::string x(300, 'x');
  const std::string cut = x.substr(0, 259);
  return {
      {"258 fit", "S", "k258", x.substr(0, 258), "", 260},
      {"259 fit", "S", "k259", cut, "", 260},
      {"260 are cut to 259", "S", "k260", cut, "", 260},
      {"300 are cut to 259, no error", "S", "k300", cut, "", 260},
      {"quotes stripped, then cut", "S", "quoted300", cut, "", 260},
      {"a long default is cut too", "S", "nokey", cut, x, 260},
  };
}

struct ListRow {
  const char* fact;
  std::optional<std::string> section;  // nullopt: list the sections
  std::string def;
  std::size_t size;
  std::uint32_t ret;
  std::string bytes;  // every byte the call writes
};

// Enumerations of HandWrittenFile().
inline std::vector<ListRow> HandWrittenLists() {
  return {
      {"sections: duplicates each time, trimmed, no [NoClose, no \"\"", std::nullopt, "D", 400, 48,
       "Sec\0Sec\0sec\0Spaced\0Indented\0trail\0a]b\0x=y\0Empty\0\0"s},
      {"keys: no ; lines, none without =, duplicates twice, \"\" as an empty name", "Sec", "D", 400, 101,
       "key1\0key2\0key3\0key4\0key5\0key6\0key6b\0key6c\0key6d\0key6e\0key6f\0#key7c\0key9\0"
       "dup\0dup\0KeyCase\0key12\0key13\0\0\0"s},
      {"keys cut: size - 2, two zeros", "Sec", "D", 20, 18, "key1\0key2\0key3\0key\0\0"s},
      {"sections cut: size - 2, two zeros", std::nullopt, "D", 20, 18, "Sec\0Sec\0sec\0Spaced\0\0"s},
      {"missing section: the default", "NoSuch", "D", 400, 1, "D\0"s},
  };
}

// One write: a missing key deletes the section, a missing value the key.
struct WriteOp {
  std::string section;
  std::optional<std::string> key;
  std::optional<std::string> value;
};

struct WriteCase {
  const char* fact;
  std::optional<std::string> before;  // nullopt: no file yet
  std::vector<WriteOp> writes;        // each succeeds
  std::string after;                  // the file's bytes
  std::vector<ReadRow> reads = {};    // afterwards
};

inline std::vector<WriteCase> WriteCases() {
  // The first cases replay a growing prefix of these writes on a new file.
  const std::vector<WriteOp> steps = {{"Sec", "Key", "v1"},
                                      {"Sec", "Key2", "v2"},
                                      {"Other", "a", "1"},
                                      {"SEC", "KEY", "v3"},
                                      {"sec", "Key3", "v4"},
                                      {"Sec", "Key2", std::nullopt},
                                      {"Other", std::nullopt, std::nullopt}};
  auto upTo = [&](std::size_t n) { return std::vector<WriteOp>(steps.begin(), steps.begin() + n); };
  return {
      {"a new file: CRLF, no BOM, no blank lines", std::nullopt, upTo(1), "[Sec]\r\nKey=v1\r\n"},
      {"new key at the section's end, new section at the file's end, no blank line", std::nullopt, upTo(3),
       "[Sec]\r\nKey=v1\r\nKey2=v2\r\n[Other]\r\na=1\r\n"},
      {"replaced in place, stored spelling kept",
       std::nullopt,
       upTo(4),
       "[Sec]\r\nKey=v3\r\nKey2=v2\r\n[Other]\r\na=1\r\n",
       {{"read back in any case", "sEc", "kEy", "v3"}}},
      {"a new key goes into the existing section", std::nullopt, upTo(5),
       "[Sec]\r\nKey=v3\r\nKey2=v2\r\nKey3=v4\r\n[Other]\r\na=1\r\n"},
      {"a key deleted",
       std::nullopt,
       upTo(6),
       "[Sec]\r\nKey=v3\r\nKey3=v4\r\n[Other]\r\na=1\r\n",
       {{"a deleted key reads as missing", "Sec", "Key2", "D"}}},
      {"a section deleted",
       std::nullopt,
       upTo(7),
       "[Sec]\r\nKey=v3\r\nKey3=v4\r\n",
       {{"a deleted section reads as missing", "Other", "a", "D"}}},
      {"values and keys trimmed on write, quotes and '=' in a value written as they are",
       std::nullopt,
       {{"S", "empty", ""},
        {"S", "spaced", "  lead and trail  "},
        {"S", "  kspace  ", "x"},
        {"S", "quoted", "\"q\""},
        {"S", "k]b", "v=w"}},
       "[S]\r\nempty=\r\nspaced=lead and trail\r\nkspace=x\r\nquoted=\"q\"\r\nk]b=v=w\r\n",
       {{"present and empty", "S", "empty", ""},
        {"quotes stripped on read", "S", "quoted", "q"},
        {"] in a key", "S", "k]b", "v=w"}}},
      {"] and = inside names",
       std::nullopt,
       {{"Br]acket", "k", "v"}, {"Eq=Sec", "k=eq", "v"}},
       "[Br]acket]\r\nk=v\r\n[Eq=Sec]\r\nk=eq=v\r\n",
       {{"read back by the full name", "Br]acket", "k", "v"},
        {"not by the part before ]", "Br", "k", "D"},
        {"the key name is cut at its =", "Eq=Sec", "k=eq", "D"},
        {"...and the rest is value", "Eq=Sec", "k", "eq=v"}}},
      {"rewritten whole in normal form; comments and lines without = stay",
       "; top comment\n[S]\n  a  =  1  \nnoequals\n;c=2\n\n\n[T]\nb=2\n",
       {{"S", "new", "N"}},
       "; top comment\r\n[S]\r\na=1\r\nnoequals\r\n;c=2\r\nnew=N\r\n[T]\r\nb=2\r\n"},
      {"a comment above a header belongs to the section before",
       "[A]\r\na=1\r\n\r\n; about B\r\n[B]\r\nb=2\r\n\r\n",
       {{"A", "c", "3"}},
       "[A]\r\na=1\r\n; about B\r\nc=3\r\n[B]\r\nb=2\r\n"},
      {"a file without a final line end", "[S]\r\na=1", {{"S", "b", "2"}}, "[S]\r\na=1\r\nb=2\r\n"},
      {"only the first of duplicate sections, and its first key, is written",
       "[S]\r\nk=1\r\nk=2\r\n[S]\r\nk=3\r\nz=9\r\n",
       {{"S", "k", "NEW"}, {"S", "z", "Z"}},
       "[S]\r\nk=NEW\r\nk=2\r\nz=Z\r\n[S]\r\nk=3\r\nz=9\r\n",
       {{"the new z is read, not the one further down", "S", "z", "Z"}}},
      {"the stored value again: the file is not rewritten", "[S]\n a = 1 \n", {{"S", "a", "1"}}, "[S]\n a = 1 \n"},
      {"a UTF-8 BOM stays",
       "\xEF\xBB\xBF[B]\r\nk=v\r\n",
       {{"B", "k2", "v2"}},
       "\xEF\xBB\xBF[B]\r\nk=v\r\nk2=v2\r\n",
       {{"the first section is readable despite the BOM", "B", "k", "v"}}},
  };
}

struct IntRow {
  std::string stored;  // the text after "f=" in the file
  std::uint32_t expected;
  std::int32_t def = 42;
};

// GetPrivateProfileIntA of key f in [S], for the stored text.
inline std::vector<IntRow> IntReads() {
  return {
      {"12", 12},
      {"  12abc", 12},
      {"12 ", 12},
      {"-5", 4294967291u},
      {"+7", 7},
      {"0x10", 16},
      {"0X1f", 0},
      {"-0x10", static_cast<std::uint32_t>(-16)},
      {"0b101", 5},
      {"0o17", 15},
      {"010", 10},
      {"0x", 0},
      {"", 42},
      {"", static_cast<std::uint32_t>(-3), -3},
      {"abc", 0},
      {"- 5", 0},
      {"--5", 0},
      {"4294967297", 1},
      {"4294967295", 4294967295u},
      {"2147483648", 2147483648u},
      {"-2147483649", 2147483647u},
      {"99999999999999999999", 1661992959u},
      {"1e3", 1},
      {"\"7\"", 7},
  };
}

}  // namespace zr::testing::profile_facts

// What the Windows private-profile calls were measured to do (under Wine,
// NT and 98 modes alike), as tables shared by the work-file store's unit
// tests and the conformance suite, which also runs them against the real
// calls. Each row names the measured fact it stands for.
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
  std::string def;
  std::size_t size;
  std::string expected;  // its length is the call's return value
};

// Reads of HandWrittenFile().
inline std::vector<ReadRow> HandWrittenReads() {
  return {
      {"plain", "Sec", "key1", "D", 64, "value1"},
      {"blanks around key and value trimmed", "Sec", "key2", "D", 64, "value2"},
      {"surrounding \" stripped", "Sec", "key3", "D", 64, "quoted value"},
      {"surrounding ' stripped", "Sec", "key4", "D", 64, "single"},
      {"a single leading quote kept", "Sec", "key5", "D", 64, "\"unbalanced"},
      {"trimmed first, then unquoted", "Sec", "key6", "D", 64, " spaced "},
      {"only the first and last character removed", "Sec", "key6b", "D", 64, "a\" b \"c"},
      {"a lone trailing quote kept", "Sec", "key6c", "D", 64, "abc\""},
      {"\"\" is empty, not the default", "Sec", "key6d", "D", 64, ""},
      {"a lone quote kept", "Sec", "key6e", "D", 64, "\""},
      {"tabs trimmed", "Sec", "key6f", "D", 64, "tab"},
      {"unquoted, then cut", "Sec", "key3", "D", 8, "quoted "},
      {"a ; line read by its full name", "Sec", ";key7", "D", 64, "commented"},
      {"...but not without the ;", "Sec", "key7", "D", 64, "D"},
      {"an indented ; line", "Sec", ";key7b", "D", 64, "indented comment"},
      {"# is no comment", "Sec", "#key7c", "D", 64, "hash"},
      {"a line without = has no value", "Sec", "key8", "D", 64, "D"},
      {"an empty value is present", "Sec", "key9", "D", 64, ""},
      {"the first occurrence wins", "Sec", "dup", "D", 64, "first"},
      {"a duplicate section is not searched", "Sec", "key10", "D", 64, "D"},
      {"nor one differing in case", "Sec", "key11", "D", 64, "D"},
      {"lookups ignore case", "SEC", "KEYCASE", "D", 64, "mixed"},
      {"; inside a value kept", "Sec", "key12", "D", 64, "a;b ; not a comment"},
      {"split at the first =", "Sec", "key13", "D", 64, "x = y"},
      {"an empty key name", "Sec", "", "D", 64, "novalue key"},
      {"blanks inside brackets trimmed", "Spaced", "k", "D", 64, "spaced section"},
      {"blanks of the queried name trimmed", " Spaced ", "k", "D", 64, "spaced section"},
      {"an indented header", "Indented", "k", "D", 64, "indented section"},
      {"text after ] ignored", "trail", "k", "D", 64, "trailing junk section"},
      {"the name runs to the last ]", "a]b", "k", "D", 64, "bracket section"},
      {"...not to the first", "a", "k", "D", 64, "D"},
      {"= inside a header", "x=y", "k", "D", 64, "eq section"},
      {"[NoClose is no header", "NoClose", "k", "D", 64, "D"},
      {"...so its lines belong to [Empty]", "Empty", "k", "D", 64, "noclose section"},
      {"keys above the first header", "", "k0", "D", 64, "before any section"},
  };
}

// Defaults and small buffers, on HandWrittenFile() (key1 holds "value1").
inline std::vector<ReadRow> DefaultReads() {
  return {
      {"missing key", "Sec", "nokey", "def", 64, "def"},
      {"no default", "Sec", "nokey", "", 64, ""},
      {"trailing spaces of the default removed", "Sec", "nokey", "def   ", 64, "def"},
      {"leading spaces of the default kept", "Sec", "nokey", "   def", 64, "   def"},
      {"quotes stripped from the default", "Sec", "nokey", "\"def\"", 64, "def"},
      {"default cut to size - 1", "Sec", "nokey", "defaultvalue", 5, "defa"},
      {"missing section", "NoSuch", "k", "def", 64, "def"},
      {"size 0", "Sec", "key1", "D", 0, ""},
      {"size 1", "Sec", "key1", "D", 1, ""},
      {"size 2", "Sec", "key1", "D", 2, "v"},
      {"size 1, default", "Sec", "nokey", "def", 1, ""},
      {"size 3, default", "Sec", "nokey", "def", 3, "de"},
  };
}

// Values longer than a 260-byte buffer holds, in [S].
inline std::string TruncationFile() {
  const std::string x(300, 'x');
  return "[S]\r\nk258=" + x.substr(0, 258) + "\r\nk259=" + x.substr(0, 259) + "\r\nk260=" +
         x.substr(0, 260) + "\r\nk300=" + x + "\r\nquoted300=\"" + x + "\"\r\n";
}

inline std::vector<ReadRow> TruncationReads() {
  const std::string x(300, 'x');
  return {
      {"258 fit", "S", "k258", "", 260, x.substr(0, 258)},
      {"259 fit", "S", "k259", "", 260, x.substr(0, 259)},
      {"260 are cut to 259", "S", "k260", "", 260, x.substr(0, 259)},
      {"300 are cut to 259, no error", "S", "k300", "", 260, x.substr(0, 259)},
      {"quotes stripped, then cut", "S", "quoted300", "", 260, x.substr(0, 259)},
      {"a long default is cut too", "S", "nokey", x, 260, x.substr(0, 259)},
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
      {"keys: no ; lines, none without =, duplicates twice, \"\" as an empty name", "Sec", "D", 400,
       101,
       "key1\0key2\0key3\0key4\0key5\0key6\0key6b\0key6c\0key6d\0key6e\0key6f\0#key7c\0key9\0"
       "dup\0dup\0KeyCase\0key12\0key13\0\0\0"s},
      {"keys cut: size - 2, two zeros", "Sec", "D", 20, 18, "key1\0key2\0key3\0key\0\0"s},
      {"sections cut: size - 2, two zeros", std::nullopt, "D", 20, 18,
       "Sec\0Sec\0sec\0Spaced\0\0"s},
      {"missing section: the default", "NoSuch", "D", 400, 1, "D\0"s},
  };
}

// One write: section, key and value; a missing key deletes the section, a
// missing value the key.
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
  std::vector<ReadRow> reads;         // afterwards
};

inline std::vector<WriteCase> WriteCases() {
  const WriteOp first = {"Sec", "Key", "v1"};
  const WriteOp second = {"Sec", "Key2", "v2"};
  const WriteOp other = {"Other", "a", "1"};
  const WriteOp recase = {"SEC", "KEY", "v3"};
  const WriteOp lowerSection = {"sec", "Key3", "v4"};
  const WriteOp deleteKey = {"Sec", "Key2", std::nullopt};
  const WriteOp deleteSection = {"Other", std::nullopt, std::nullopt};
  return {
      {"a new file: CRLF, no BOM, no blank lines", std::nullopt, {first}, "[Sec]\r\nKey=v1\r\n", {}},
      {"new key at the section's end, new section at the file's end, no blank line", std::nullopt,
       {first, second, other}, "[Sec]\r\nKey=v1\r\nKey2=v2\r\n[Other]\r\na=1\r\n", {}},
      {"replaced in place, stored spelling kept", std::nullopt, {first, second, other, recase},
       "[Sec]\r\nKey=v3\r\nKey2=v2\r\n[Other]\r\na=1\r\n",
       {{"read back in any case", "sEc", "kEy", "D", 64, "v3"}}},
      {"a new key goes into the existing section", std::nullopt,
       {first, second, other, recase, lowerSection},
       "[Sec]\r\nKey=v3\r\nKey2=v2\r\nKey3=v4\r\n[Other]\r\na=1\r\n", {}},
      {"a key deleted", std::nullopt, {first, second, other, recase, lowerSection, deleteKey},
       "[Sec]\r\nKey=v3\r\nKey3=v4\r\n[Other]\r\na=1\r\n",
       {{"a deleted key reads as missing", "Sec", "Key2", "D", 64, "D"}}},
      {"a section deleted", std::nullopt,
       {first, second, other, recase, lowerSection, deleteKey, deleteSection},
       "[Sec]\r\nKey=v3\r\nKey3=v4\r\n",
       {{"a deleted section reads as missing", "Other", "a", "D", 64, "D"}}},
      {"an empty value", std::nullopt, {{"S", "empty", ""}}, "[S]\r\nempty=\r\n",
       {{"present and empty", "S", "empty", "D", 64, ""}}},
      {"value and key trimmed on write", std::nullopt,
       {{"S", "spaced", "  lead and trail  "}, {"S", "  kspace  ", "x"}},
       "[S]\r\nspaced=lead and trail\r\nkspace=x\r\n", {}},
      {"quotes written as they are", std::nullopt, {{"S", "quoted", "\"q\""}},
       "[S]\r\nquoted=\"q\"\r\n", {{"...and stripped on read", "S", "quoted", "D", 64, "q"}}},
      {"] inside a section name", std::nullopt, {{"Br]acket", "k", "v"}}, "[Br]acket]\r\nk=v\r\n",
       {{"read back by the full name", "Br]acket", "k", "D", 64, "v"},
        {"not by the part before ]", "Br", "k", "D", 64, "D"}}},
      {"= inside section and key names", std::nullopt, {{"Eq=Sec", "k=eq", "v"}},
       "[Eq=Sec]\r\nk=eq=v\r\n",
       {{"the key name is cut at its =", "Eq=Sec", "k=eq", "D", 64, "D"},
        {"...and the rest is value", "Eq=Sec", "k", "D", 64, "eq=v"}}},
      {"] in a key, = in a value", std::nullopt, {{"S", "k]b", "v=w"}}, "[S]\r\nk]b=v=w\r\n",
       {{"read back", "S", "k]b", "D", 64, "v=w"}}},
      {"rewritten whole in normal form; comments and lines without = stay",
       "; top comment\n[S]\n  a  =  1  \nnoequals\n;c=2\n\n\n[T]\nb=2\n", {{"S", "new", "N"}},
       "; top comment\r\n[S]\r\na=1\r\nnoequals\r\n;c=2\r\nnew=N\r\n[T]\r\nb=2\r\n", {}},
      {"a comment above a header belongs to the section before",
       "[A]\r\na=1\r\n\r\n; about B\r\n[B]\r\nb=2\r\n\r\n", {{"A", "c", "3"}},
       "[A]\r\na=1\r\n; about B\r\nc=3\r\n[B]\r\nb=2\r\n", {}},
      {"a file without a final line end", "[S]\r\na=1", {{"S", "b", "2"}}, "[S]\r\na=1\r\nb=2\r\n",
       {}},
      {"only the first of duplicate sections, and its first key, is written",
       "[S]\r\nk=1\r\nk=2\r\n[S]\r\nk=3\r\nz=9\r\n", {{"S", "k", "NEW"}, {"S", "z", "Z"}},
       "[S]\r\nk=NEW\r\nk=2\r\nz=Z\r\n[S]\r\nk=3\r\nz=9\r\n",
       {{"the new z is read, not the one further down", "S", "z", "D", 64, "Z"}}},
      {"the stored value again: the file is not rewritten", "[S]\n a = 1 \n", {{"S", "a", "1"}},
       "[S]\n a = 1 \n", {}},
      {"a UTF-8 BOM stays", "\xEF\xBB\xBF[B]\r\nk=v\r\n", {{"B", "k2", "v2"}},
       "\xEF\xBB\xBF[B]\r\nk=v\r\nk2=v2\r\n",
       {{"the first section is readable despite the BOM", "B", "k", "D", 64, "v"}}},
  };
}

struct IntRow {
  std::string stored;  // the text after "f=" in the file
  std::int32_t def;
  std::uint32_t expected;
};

// GetPrivateProfileIntA of key f in [S], for the stored text.
inline std::vector<IntRow> IntReads() {
  return {
      {"12", 42, 12},
      {"  12abc", 42, 12},
      {"12 ", 42, 12},
      {"-5", 42, 4294967291u},
      {"+7", 42, 7},
      {"0x10", 42, 16},
      {"0X1f", 42, 0},
      {"-0x10", 42, static_cast<std::uint32_t>(-16)},
      {"0b101", 42, 5},
      {"0o17", 42, 15},
      {"010", 42, 10},
      {"0x", 42, 0},
      {"", 42, 42},
      {"", -3, static_cast<std::uint32_t>(-3)},
      {"abc", 42, 0},
      {"- 5", 42, 0},
      {"--5", 42, 0},
      {"4294967297", 42, 1},
      {"4294967295", 42, 4294967295u},
      {"2147483648", 42, 2147483648u},
      {"-2147483649", 42, 2147483647u},
      {"99999999999999999999", 42, 1661992959u},
      {"1e3", 42, 1},
      {"\"7\"", 42, 7},
  };
}

}  // namespace zr::testing::profile_facts

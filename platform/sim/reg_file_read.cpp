// Reading a .reg file into a RegTree. The grammar works on one physical
// line at a time; only a hex list continued with a trailing '\' reads on.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/reg_file.h"
#include "platform/sim/reg_file_decode.h"
#include "platform/sim/reg_file_text.h"
#include "platform/text/codepage.h"
#include "platform/win_codes.h"

namespace zr::sim {
namespace {

using regfile::RegDialect;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

// The file's lines, without their line breaks (LF or CRLF).
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const std::size_t end = std::min(text_.find('\n', pos_), text_.size());
    line = text_.substr(pos_, end - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = end + 1;
    ++number_;
    return true;
  }
  std::size_t Number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t number_ = 0;
};

class RegReader {
 public:
  RegReader(RegTree& tree, const regfile::DecodedRegFile& file, RegParseError& error)
      : tree_(tree), dialect_(file.format, tree.CodePage()), lines_(file.text), error_(error) {}

  bool Run() {
    lines_.Next(line_);  // the header, checked by the decoder
    while (lines_.Next(line_)) {
      pos_ = 0;
      if (!ParseLine()) return false;
    }
    return true;
  }

 private:
  bool Fail(std::string message) {
    error_ = {lines_.Number(), std::move(message)};
    return false;
  }
  std::string Show(std::string_view fileText) const { return "'" + regfile::ShowText(dialect_, fileText) + "'"; }
  std::string CodePageName() const { return "code page " + std::to_string(tree_.CodePage()); }

  bool AtEnd() const { return pos_ >= line_.size(); }
  char Peek() const { return line_[pos_]; }
  void SkipBlanks() {
    while (!AtEnd() && IsBlank(Peek())) ++pos_;
  }
  bool AtEndOrComment() {
    SkipBlanks();
    return AtEnd() || Peek() == ';';
  }
  bool ConsumeWord(std::string_view word) {
    if (!EqualsIgnoringAsciiCase(line_.substr(pos_, word.size()), word)) return false;
    pos_ += word.size();
    return true;
  }
  // The text from the cursor up to a blank, a ',' or the end: what a
  // message quotes as the offending item.
  std::string_view Token() const {
    std::size_t end = pos_;
    while (end < line_.size() && !IsBlank(line_[end]) && line_[end] != ',') end += dialect_.CharLength(line_, end);
    return line_.substr(pos_, end - pos_);
  }
  bool ExpectEndOfValue() {
    if (AtEndOrComment()) return true;
    return Fail("unexpected text after the value: " + Show(line_.substr(pos_)));
  }

  bool ParseLine() {
    SkipBlanks();
    if (AtEndOrComment()) return true;
    if (Peek() == '[') return ParseKeyLine();
    if (Peek() == '"' || Peek() == '@') return ParseValueLine();
    return Fail("unexpected text " + Show(line_.substr(pos_)));
  }

  // ---- keys ----

  bool ParseKeyLine() {
    ++pos_;
    // A key name may hold ']' itself; the line's last one closes it.
    std::size_t close = std::string_view::npos;
    for (std::size_t i = pos_; i < line_.size(); i += dialect_.CharLength(line_, i))
      if (line_[i] == ']') close = i;
    if (close == std::string_view::npos) return Fail("key line does not end with ']'");
    for (std::size_t i = close + 1; i < line_.size(); ++i)
      if (!IsBlank(line_[i])) return Fail("unexpected text after the key line's ']'");

    std::string_view path = line_.substr(pos_, close - pos_);
    const bool remove = !path.empty() && path.front() == '-';
    if (remove) path.remove_prefix(1);
    const std::size_t rootLength = regfile::kRootName.size();
    if (!EqualsIgnoringAsciiCase(path.substr(0, rootLength), regfile::kRootName) ||
        (path.size() > rootLength && path[rootLength] != '\\'))
      return Fail("key outside HKEY_LOCAL_MACHINE: " + Show(path));

    std::vector<std::string_view> names;
    if (!SplitKeyPath(path.substr(rootLength), names)) return false;
    return remove ? DeleteKey(names) : OpenKey(names);
  }

  // Empty names (a doubled or trailing '\') are skipped, as the registry
  // calls do.
  bool SplitKeyPath(std::string_view path, std::vector<std::string_view>& names) {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); i += i < path.size() ? dialect_.CharLength(path, i) : 1) {
      if (i < path.size() && path[i] != '\\') continue;
      if (i > start) names.push_back(path.substr(start, i - start));
      if (names.size() > regfile::kMaxKeyDepth)
        return Fail("key path deeper than " + std::to_string(regfile::kMaxKeyDepth) + " levels");
      start = i + 1;
    }
    return true;
  }

  // Consecutive key lines mostly share their leading names, so the keys
  // of the last path are kept and only the differing tail is looked up.
  bool OpenKey(const std::vector<std::string_view>& names) {
    std::shared_ptr<RegKey> key = tree_.RootPtr();
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (i < pathNames_.size() && pathNames_[i] == names[i]) {
        key = pathKeys_[i];
        continue;
      }
      pathNames_.resize(i);
      pathKeys_.resize(i);
      std::string name;
      if (!DecodeName(names[i], name)) return false;
      key = key->AddChild(name, tree_.Fold(name));
      pathNames_.emplace_back(names[i]);
      pathKeys_.push_back(key);
    }
    key_ = std::move(key);
    afterDeletion_ = false;
    return true;
  }

  bool DeleteKey(const std::vector<std::string_view>& names) {
    if (names.empty()) return Fail("HKEY_LOCAL_MACHINE itself cannot be deleted");
    pathNames_.clear();
    pathKeys_.clear();
    key_ = nullptr;
    afterDeletion_ = true;
    std::shared_ptr<RegKey> parent = tree_.RootPtr();
    for (std::size_t i = 0; i < names.size(); ++i) {
      std::string name;
      if (!DecodeName(names[i], name)) return false;
      if (i + 1 == names.size()) {
        parent->RemoveChild(tree_.Fold(name));  // a missing key is no error
      } else if (!(parent = parent->FindChild(tree_.Fold(name)))) {
        return true;
      }
    }
    return true;
  }

  // A name's bytes in the code page. Refused: names with a zero (no ANSI
  // call can reach them), names that the code page does not hold unchanged
  // (U+2603 would become '?', U+301C the same bytes as U+FF5E, U+00A5 a '\'
  // that splits the key: each would merge with or turn into another name)
  // and bytes that are no valid text (their fold key would be U+FFFD, alike
  // for all of them).
  bool DecodeName(std::string_view fileText, std::string& name) {
    name = dialect_.ToCodePage(fileText);
    if (name.find('\0') != std::string::npos) return Fail("name " + Show(fileText) + " contains a zero character");
    if (dialect_.FromCodePage(name) != fileText)
      return Fail("name " + Show(fileText) + " has characters that " + CodePageName() + " cannot hold unchanged");
    if (!regfile::RoundTripsUtf16(name, tree_.CodePage()))
      return Fail("name " + Show(fileText) + " is not valid text in " + CodePageName());
    return true;
  }

  // ---- values ----

  bool ParseValueLine() {
    if (!key_) return Fail(afterDeletion_ ? "value after a key deletion line" : "value before any key");
    std::string name;
    if (Peek() == '@') {
      ++pos_;
    } else {
      std::string quoted;
      if (!ParseQuoted(quoted) || !DecodeName(quoted, name)) return false;
    }
    SkipBlanks();
    if (AtEnd() || Peek() != '=') return Fail("expected '=' after the value name");
    ++pos_;
    if (AtEndOrComment()) return Fail("value has no data after '='");

    if (Peek() == '-') {
      ++pos_;
      if (!ExpectEndOfValue()) return false;
      key_->RemoveValue(tree_.Fold(name));
      return true;
    }
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    std::optional<std::vector<std::uint8_t>> utf16;
    if (!ParseData(type, data, utf16)) return false;
    key_->SetValue(name, tree_.Fold(name), type, std::move(data), std::move(utf16));
    return true;
  }

  // A version 5 file's text data is kept as the file holds it beside the
  // code-page form the ANSI calls read.
  bool ParseData(std::uint32_t& type, std::vector<std::uint8_t>& data,
                 std::optional<std::vector<std::uint8_t>>& utf16) {
    const bool wide = dialect_.Format() == RegFormat::Version5;
    if (Peek() == '"') {
      std::string quoted;
      if (!ParseQuoted(quoted) || !ExpectEndOfValue()) return false;
      const std::string text = dialect_.ToCodePage(quoted);
      type = win::kRegSz;
      data.assign(text.begin(), text.end());
      data.push_back(0);
      if (wide) {
        utf16.emplace();
        regfile::AppendUtf16Le(text::Utf16FromUtf8(quoted), *utf16);
        utf16->insert(utf16->end(), 2, 0);
      }
      return true;
    }
    if (ConsumeWord("dword:")) {
      type = win::kRegDword;
      return ParseDword(data);
    }
    if (ConsumeWord("hex:")) {
      type = win::kRegBinary;
      return ParseHexList(data);
    }
    if (ConsumeWord("hex(")) {
      if (!ParseHexType(type) || !ParseHexList(data)) return false;
      if (!regfile::HoldsText(type)) return true;
      if (wide) utf16 = data;
      data = dialect_.TextDataFromFile(data);
      return true;
    }
    std::string_view kind = Token();
    kind = kind.substr(0, kind.find(':') == std::string_view::npos ? kind.size() : kind.find(':') + 1);
    return Fail("unknown value kind " + Show(kind));
  }

  // Escapes: \\ \" and, as regedit reads them, \n \r \0.
  bool ParseQuoted(std::string& out) {
    ++pos_;
    while (!AtEnd()) {
      const char c = Peek();
      if (c == '"') {
        ++pos_;
        return true;
      }
      if (c == '\\' && pos_ + 1 < line_.size()) {
        const char escaped = line_[pos_ + 1];
        switch (escaped) {
          case '\\':
            out += '\\';
            break;
          case '"':
            out += '"';
            break;
          case 'n':
            out += '\n';
            break;
          case 'r':
            out += '\r';
            break;
          case '0':
            out += '\0';
            break;
          default:
            return Fail("unknown escape " +
                        Show("\\" + std::string(line_.substr(pos_ + 1, dialect_.CharLength(line_, pos_ + 1)))));
        }
        pos_ += 2;
        continue;
      }
      const std::size_t length = dialect_.CharLength(line_, pos_);
      out.append(line_.substr(pos_, length));
      pos_ += length;
    }
    return Fail("unterminated string");
  }

  // Up to eight hex digits, no sign, no prefix.
  bool ParseHexNumber(std::uint32_t& value, std::size_t& digits) {
    value = 0;
    digits = 0;
    for (; !AtEnd() && HexDigit(Peek()) >= 0; ++pos_, ++digits)
      if (digits < 8) value = (value << 4) | static_cast<std::uint32_t>(HexDigit(Peek()));
    return digits >= 1 && digits <= 8;
  }

  bool ParseDword(std::vector<std::uint8_t>& data) {
    const std::size_t start = pos_;
    std::uint32_t value = 0;
    std::size_t digits = 0;
    const bool ok = ParseHexNumber(value, digits);
    if (digits > 8) return Fail("dword has more than 8 hex digits");
    if (!ok || !(AtEnd() || IsBlank(Peek()) || Peek() == ';')) {
      pos_ = start;
      return Fail("bad dword " + Show(Token()));
    }
    for (int shift = 0; shift < 32; shift += 8) data.push_back(static_cast<std::uint8_t>(value >> shift));
    return ExpectEndOfValue();
  }

  bool ParseHexType(std::uint32_t& type) {
    const std::size_t start = pos_;
    std::size_t digits = 0;
    if (!ParseHexNumber(type, digits) || AtEnd() || Peek() != ')') {
      const std::size_t close = line_.find(')', start);
      return Fail("bad value type in 'hex(': " +
                  Show(line_.substr(start, close == std::string_view::npos ? std::string_view::npos : close - start)));
    }
    ++pos_;
    if (AtEnd() || Peek() != ':')
      return Fail("expected ':' after 'hex(" + std::string(line_.substr(start, digits)) + ")'");
    ++pos_;
    return true;
  }

  // Comma-separated bytes of one or two hex digits; a '\' after a comma
  // continues the list on the next line.
  bool ParseHexList(std::vector<std::uint8_t>& data) {
    for (;;) {
      if (AtEndOrComment()) return true;
      if (Peek() == '\\') {
        ++pos_;
        SkipBlanks();
        if (!AtEnd()) return Fail("unexpected text after the continuation '\\': " + Show(line_.substr(pos_)));
        if (!lines_.Next(line_)) return Fail("file ends inside a continued line");
        pos_ = 0;
        SkipBlanks();
        if (AtEnd()) return Fail("continued line is empty");
        continue;
      }
      const std::string_view byte = HexByteToken();
      if (byte.empty() || byte.size() > 2 || HexDigit(byte[0]) < 0 || (byte.size() == 2 && HexDigit(byte[1]) < 0))
        return Fail("bad hex byte " + Show(byte));
      data.push_back(
          static_cast<std::uint8_t>(byte.size() == 1 ? HexDigit(byte[0]) : HexDigit(byte[0]) * 16 + HexDigit(byte[1])));
      if (AtEndOrComment()) return true;
      if (Peek() != ',') return Fail("expected ',' after hex byte " + Show(byte));
      ++pos_;
    }
  }

  std::string_view HexByteToken() {
    const std::size_t start = pos_;
    while (!AtEnd() && !IsBlank(Peek()) && Peek() != ',' && Peek() != ';' && Peek() != '\\')
      pos_ += dialect_.CharLength(line_, pos_);
    return line_.substr(start, pos_ - start);
  }

  RegTree& tree_;
  RegDialect dialect_;
  LineReader lines_;
  RegParseError& error_;
  std::string_view line_;
  std::size_t pos_ = 0;

  std::shared_ptr<RegKey> key_;  // the key that value lines go to
  bool afterDeletion_ = false;
  std::vector<std::string> pathNames_;  // the last key path, as file text
  std::vector<std::shared_ptr<RegKey>> pathKeys_;
};

}  // namespace

bool ParseRegFile(const std::vector<std::uint8_t>& bytes, RegTree& tree, RegFormat& format, RegParseError& error) {
  regfile::DecodedRegFile file;
  if (!regfile::DecodeRegFile(bytes, tree.CodePage(), file, error)) return false;
  format = file.format;
  return RegReader(tree, file, error).Run();
}

}  // namespace zr::sim

// Writing a RegTree as a .reg file, laid out as regedit lays it out.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/reg_file.h"
#include "platform/sim/reg_file_text.h"
#include "platform/text/codepage.h"
#include "platform/win_codes.h"

namespace zr::sim {
namespace {

using regfile::RegDialect;

constexpr std::string_view kLineEnd = "\r\n";

// Regedit breaks a hex list after the comma that reaches this column and
// goes on after two spaces.
constexpr std::size_t kHexWrapColumn = 77;
constexpr std::string_view kHexContinuation = "\\\r\n  ";

bool IsControl(std::uint32_t unit) { return unit < 0x20 || unit == 0x7F; }

// A REG_SZ is written as "..." only when reading that back gives the same
// bytes: one final zero, no control character (zeros and line breaks
// included), nothing the format would change. A REGEDIT4 file carries any
// other bytes as they are, but a lead byte before a '"' would swallow the
// escape's backslash; a version 5 file carries the text as UTF-16, which
// only text the code page holds unchanged survives.
bool ReadsBackQuoted(const RegValue& value, const RegDialect& dialect) {
  if (value.type != win::kRegSz || value.data.empty() || value.data.back() != 0) return false;
  const std::string_view text(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    if (IsControl(byte)) return false;
    if (i + 1 < text.size() && text[i + 1] == '"' && text::IsLeadByte(byte, dialect.CodePage())) return false;
  }
  return dialect.Format() == RegFormat::Regedit4 || regfile::RoundTripsUtf16(text, dialect.CodePage());
}

// The UTF-8 file text of a REG_SZ kept as a version 5 file held it, when it
// reads back as "..." to the same UTF-16: one final zero, no control
// character, no surrogate without its partner.
bool QuotableUtf16(const std::vector<std::uint8_t>& utf16, std::string& fileText) {
  if (utf16.size() < 2 || utf16.size() % 2 != 0 || utf16[utf16.size() - 2] != 0 || utf16.back() != 0) return false;
  const std::u16string units = regfile::Utf16FromLe(utf16.data(), utf16.size() - 2);
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (IsControl(unit)) return false;
    const bool high = unit >= 0xD800 && unit <= 0xDBFF, low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (low) return false;
    if (high && (i + 1 == units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF)) return false;
    if (high) ++i;
  }
  fileText = text::Utf8FromUtf16(units);
  return true;
}

class RegWriter {
 public:
  explicit RegWriter(const RegDialect& dialect) : dialect_(dialect) {
    out_ += dialect.Format() == RegFormat::Regedit4 ? regfile::kHeaderRegedit4 : regfile::kHeaderVersion5;
    out_ += kLineEnd;
    out_ += kLineEnd;
  }

  // `path` is file text, starting with the root's name.
  void Key(std::string_view path, const RegKey& key) {
    out_ += '[';
    out_ += path;
    out_ += ']';
    out_ += kLineEnd;
    for (std::size_t i = 0; i < key.ValueCount(); ++i) Value(key.ValueAt(i));
    out_ += kLineEnd;
  }

  std::vector<std::uint8_t> Finish() const {
    if (dialect_.Format() == RegFormat::Regedit4) return std::vector<std::uint8_t>(out_.begin(), out_.end());
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    regfile::AppendUtf16Le(text::Utf16FromUtf8(out_), bytes);
    return bytes;
  }

 private:
  void Value(const RegValue& value) {
    std::string line;
    if (value.name.empty()) {
      line += '@';
    } else {
      AppendQuoted(line, value.name);
    }
    line += '=';
    // Data a version 5 file gave goes back as it came, whatever it holds.
    const bool keptUtf16 = dialect_.Format() == RegFormat::Version5 && value.utf16;
    std::string fileText;
    if (keptUtf16 && value.type == win::kRegSz && QuotableUtf16(*value.utf16, fileText)) {
      AppendQuotedFileText(line, fileText);
    } else if (keptUtf16) {
      AppendHexKind(line, value.type);
      AppendHexList(line, *value.utf16);
    } else if (ReadsBackQuoted(value, dialect_)) {
      AppendQuoted(line, std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1));
    } else if (value.type == win::kRegDword && value.data.size() == 4) {
      char digits[9];
      std::snprintf(digits, sizeof digits, "%08x",
                    static_cast<unsigned>(value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                                          (static_cast<std::uint32_t>(value.data[3]) << 24)));
      line += "dword:";
      line += digits;
    } else {
      AppendHexKind(line, value.type);
      AppendHexList(line, regfile::HoldsText(value.type) ? dialect_.TextDataToFile(value.data) : value.data);
    }
    out_ += line;
    out_ += kLineEnd;
  }

  static void AppendHexKind(std::string& line, std::uint32_t type) {
    if (type == win::kRegBinary) {
      line += "hex:";
      return;
    }
    char kind[16];
    std::snprintf(kind, sizeof kind, "hex(%x):", static_cast<unsigned>(type));
    line += kind;
  }

  void AppendQuoted(std::string& line, std::string_view codePageText) const {
    AppendQuotedFileText(line, dialect_.FromCodePage(codePageText));
  }

  // Escapes what the reader unescapes; a name has no hex form, so its line
  // breaks and zeros are escaped too. A trail byte is never escaped.
  void AppendQuotedFileText(std::string& line, const std::string& text) const {
    line += '"';
    for (std::size_t i = 0; i < text.size();) {
      const std::size_t length = dialect_.CharLength(text, i);
      const char* escape = length == 1 ? EscapeOf(text[i]) : nullptr;
      if (escape)
        line += escape;
      else
        line.append(text, i, length);
      i += length;
    }
    line += '"';
  }

  static const char* EscapeOf(char c) {
    switch (c) {
      case '\\':
        return "\\\\";
      case '"':
        return "\\\"";
      case '\n':
        return "\\n";
      case '\r':
        return "\\r";
      case '\0':
        return "\\0";
      default:
        return nullptr;
    }
  }

  void AppendHexList(std::string& line, const std::vector<std::uint8_t>& bytes) const {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::size_t column = dialect_.Columns(line);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      line += kDigits[bytes[i] >> 4];
      line += kDigits[bytes[i] & 0xF];
      if (i + 1 == bytes.size()) break;
      line += ',';
      column += 3;
      if (column >= kHexWrapColumn) {
        line += kHexContinuation;
        column = 2;
      }
    }
  }

  RegDialect dialect_;
  std::string out_;
};

// Visits every key below the root, parents before children, in the tree's
// order, with its path (the root's name first) and depth. Iterative, so that
// no tree is too deep for it.
template <typename Visit>
void ForEachKey(const RegKey& root, const RegDialect& dialect, Visit visit) {
  struct Frame {
    const RegKey* key;
    std::size_t nextChild;
    std::size_t pathLength;
  };
  std::string path(regfile::kRootName);
  std::vector<Frame> stack{{&root, 0, path.size()}};
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.nextChild == top.key->ChildCount()) {
      stack.pop_back();
      continue;
    }
    const RegKey& child = *top.key->ChildAt(top.nextChild++);
    path.resize(top.pathLength);
    path += '\\';
    path += dialect.FromCodePage(child.Name());
    const std::size_t depth = stack.size();
    stack.push_back({&child, 0, path.size()});
    if (!visit(std::string_view(path), child, depth)) return;
  }
}

// A '\' that is a character of its own, not the trail byte of a double-byte
// character: a key name with one cannot be written as a path.
bool HasKeySeparator(std::string_view name, unsigned codePage) {
  const RegDialect bytes(RegFormat::Regedit4, codePage);
  for (std::size_t i = 0; i < name.size(); i += bytes.CharLength(name, i))
    if (name[i] == '\\') return true;
  return false;
}

bool NameFits(std::string_view name, unsigned codePage) {
  return name.find('\0') == std::string_view::npos && regfile::RoundTripsUtf16(name, codePage);
}

bool ValuesFit(const RegKey& key, RegFormat format, unsigned codePage) {
  for (std::size_t i = 0; i < key.ValueCount(); ++i) {
    const RegValue& value = key.ValueAt(i);
    if (!NameFits(value.name, codePage)) return false;
    if (format == RegFormat::Version5 && regfile::HoldsText(value.type) && !value.utf16 &&
        !regfile::RoundTripsUtf16(std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size()),
                                  codePage))
      return false;
  }
  return true;
}

}  // namespace

std::vector<std::uint8_t> WriteRegFile(const RegTree& tree, RegFormat format) {
  const RegDialect dialect(format, tree.CodePage());
  RegWriter writer(dialect);
  // HKEY_LOCAL_MACHINE itself has no values on Windows; a tree whose root
  // has some gets the root's line so that they are not lost.
  if (tree.Root().ValueCount() > 0) writer.Key(regfile::kRootName, tree.Root());
  ForEachKey(tree.Root(), dialect, [&](std::string_view path, const RegKey& key, std::size_t) {
    writer.Key(path, key);
    return true;
  });
  return writer.Finish();
}

bool FitsRegFormat(const RegTree& tree, RegFormat format) {
  const unsigned codePage = tree.CodePage();
  if (!ValuesFit(tree.Root(), format, codePage)) return false;
  bool fits = true;
  ForEachKey(tree.Root(), RegDialect(format, codePage), [&](std::string_view, const RegKey& key, std::size_t depth) {
    const std::string& name = key.Name();
    fits = depth <= regfile::kMaxKeyDepth && !name.empty() && name.find('\n') == std::string::npos &&
           NameFits(name, codePage) && !HasKeySeparator(name, codePage) && ValuesFit(key, format, codePage);
    return fits;
  });
  return fits;
}

}  // namespace zr::sim

#include "safety/reg_export.h"

#include <cstdio>

#include "platform/text/codepage.h"
#include "platform/win_codes.h"

namespace zr::safety {

namespace {

// A REG_SZ that a quoted string gives back exactly: one final zero (or
// none) and nothing regedit would read otherwise.
bool IsPlainString(const ValueState& value) {
  if (value.type != win::kRegSz) return false;
  std::size_t size = value.data.size();
  if (size > 0 && value.data[size - 1] == 0) --size;
  for (std::size_t i = 0; i < size; ++i)
    if (value.data[i] < 0x20) return false;
  return true;
}

std::string Quoted(std::string_view bytes) {
  std::string out = "\"";
  for (char c : bytes) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::string RegExport::Encode(std::string_view bytes) const {
  if (!unicode_) return std::string(bytes);
  const std::u16string wide = text::ToUtf16(bytes, codePage_);
  std::string out;
  for (char16_t c : wide) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

std::string RegExport::Header() const {
  if (!unicode_) return "REGEDIT4\r\n";
  return "\xFF\xFE" + Encode("Windows Registry Editor Version 5.00\r\n");
}

std::string RegExport::ValueLine(const ValueState& value) const {
  std::string line = value.name.empty() ? "@=" : Quoted(value.name) + "=";
  if (IsPlainString(value)) {
    std::string_view text(reinterpret_cast<const char*>(value.data.data()), value.data.size());
    if (!text.empty() && text.back() == '\0') text.remove_suffix(1);
    return line + Quoted(text);
  }
  if (value.type == win::kRegDword && value.data.size() == 4) {
    char dword[16];
    std::snprintf(
        dword, sizeof(dword), "dword:%08x",
        value.data[0] | value.data[1] << 8 | value.data[2] << 16 | static_cast<unsigned>(value.data[3]) << 24);
    return line + dword;
  }
  // Strings of other kinds are stored as the wide calls hold them on 2000/XP.
  std::string data(value.data.begin(), value.data.end());
  const bool wide =
      unicode_ && (value.type == win::kRegSz || value.type == win::kRegExpandSz || value.type == win::kRegMultiSz);
  if (wide) data = Encode(data);
  char kind[24];
  std::snprintf(kind, sizeof(kind), value.type == win::kRegBinary ? "hex:" : "hex(%x):", value.type);
  line += kind;
  std::size_t column = line.size();
  for (std::size_t i = 0; i < data.size(); ++i) {
    char pair[4];
    std::snprintf(pair, sizeof(pair), "%02x", static_cast<unsigned char>(data[i]));
    line += pair;
    column += 2;
    if (i + 1 == data.size()) break;
    line += ',';
    if (++column > 76) {
      line += "\\\r\n  ";
      column = 2;
    }
  }
  return line;
}

std::string RegExport::Section(std::string_view key, const std::vector<const ValueState*>& values) const {
  std::string out = Encode("\r\n[") + Encode(key) + Encode("]\r\n");
  for (const ValueState* value : values) out += Encode(ValueLine(*value)) + Encode("\r\n");
  return out;
}

}  // namespace zr::safety

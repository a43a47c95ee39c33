#include "platform/sim/reg_file_text.h"

#include "platform/text/codepage.h"
#include "platform/win_codes.h"

namespace zr::sim::regfile {
namespace {

constexpr std::size_t kShownChars = 40;

bool IsUtf8Continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

std::string HexEscape(unsigned char byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("\\x") + kDigits[byte >> 4] + kDigits[byte & 0xF];
}

}  // namespace

bool HoldsText(std::uint32_t type) {
  return type == win::kRegSz || type == win::kRegExpandSz || type == win::kRegMultiSz;
}

bool RoundTripsUtf16(std::string_view text, unsigned codePage) {
  return text::FromUtf16(text::ToUtf16(text, codePage), codePage) == text;
}

std::u16string Utf16FromLe(const std::uint8_t* bytes, std::size_t size) {
  std::u16string text;
  text.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2) text += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
  return text;
}

void AppendUtf16Le(std::u16string_view text, std::vector<std::uint8_t>& bytes) {
  bytes.reserve(bytes.size() + text.size() * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
}

std::size_t RegDialect::CharLength(std::string_view text, std::size_t pos) const {
  if (format_ == RegFormat::Regedit4 && pos + 1 < text.size() &&
      text::IsLeadByte(static_cast<unsigned char>(text[pos]), codePage_) &&
      static_cast<unsigned char>(text[pos + 1]) >= 0x40)
    return 2;
  return 1;
}

std::string RegDialect::ToCodePage(std::string_view fileText) const {
  if (format_ == RegFormat::Regedit4) return std::string(fileText);
  return text::FromUtf16(text::Utf16FromUtf8(fileText), codePage_);
}

std::string RegDialect::FromCodePage(std::string_view codePageText) const {
  if (format_ == RegFormat::Regedit4) return std::string(codePageText);
  return text::Utf8FromUtf16(text::ToUtf16(codePageText, codePage_));
}

std::size_t RegDialect::Columns(std::string_view fileText) const {
  if (format_ == RegFormat::Regedit4) return fileText.size();
  std::size_t units = 0;
  for (unsigned char byte : fileText) {
    if (IsUtf8Continuation(byte)) continue;
    units += byte >= 0xF0 ? 2 : 1;  // a four-byte sequence is a surrogate pair
  }
  return units;
}

std::vector<std::uint8_t> RegDialect::TextDataToFile(const std::vector<std::uint8_t>& codePageData) const {
  if (format_ == RegFormat::Regedit4) return codePageData;
  std::vector<std::uint8_t> out;
  AppendUtf16Le(text::ToUtf16(std::string_view(reinterpret_cast<const char*>(codePageData.data()), codePageData.size()),
                              codePage_),
                out);
  return out;
}

std::vector<std::uint8_t> RegDialect::TextDataFromFile(const std::vector<std::uint8_t>& fileData) const {
  if (format_ == RegFormat::Regedit4) return fileData;
  const std::string narrow = text::FromUtf16(Utf16FromLe(fileData.data(), fileData.size()), codePage_);
  return std::vector<std::uint8_t>(narrow.begin(), narrow.end());
}

std::string ShowText(const RegDialect& dialect, std::string_view fileText) {
  // Enough bytes for the characters shown, whatever their width; the
  // conversion also mends invalid UTF-8, which a message must not carry.
  const std::string_view head = fileText.substr(0, kShownChars * 4 + 4);
  const std::string utf8 = dialect.Format() == RegFormat::Regedit4 ? text::ToUtf8(head, dialect.CodePage())
                                                                   : text::Utf8FromUtf16(text::Utf16FromUtf8(head));
  std::string shown;
  std::size_t chars = 0;
  for (const char c : utf8) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (!IsUtf8Continuation(byte) && chars++ == kShownChars) return shown + "...";
    if (byte < 0x20 || byte == 0x7F)
      shown += HexEscape(byte);
    else
      shown += static_cast<char>(byte);
  }
  return shown;
}

}  // namespace zr::sim::regfile

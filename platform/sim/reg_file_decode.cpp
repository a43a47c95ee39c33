#include "platform/sim/reg_file_decode.h"

#include <algorithm>
#include <string_view>

#include "platform/sim/reg_file_text.h"
#include "platform/text/codepage.h"

namespace zr::sim::regfile {
namespace {

bool StartsWith(const std::vector<std::uint8_t>& bytes, std::string_view mark) {
  return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin(), [](char m, std::uint8_t b) {
           return static_cast<std::uint8_t>(m) == b;
         });
}

std::string_view FirstLine(std::string_view text) {
  std::string_view line = text.substr(0, text.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  return line;
}

RegParseError NotAnExport(const RegDialect& shownAs, std::string_view text) {
  if (text.empty()) return {1, "not a registry export (the file is empty)"};
  return {1, "not a registry export (first line '" + ShowText(shownAs, FirstLine(text)) + "')"};
}

// The line number of the first line that is not valid UTF-8, or 0.
std::size_t FirstBadUtf8Line(std::string_view text) {
  std::size_t line = 1;
  for (std::size_t start = 0; start <= text.size(); ++line) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view piece = text.substr(start, end - start);
    if (text::Utf8FromUtf16(text::Utf16FromUtf8(piece)) != piece) return line;
    start = end + 1;
  }
  return 0;
}

bool DecodeUtf16(const std::vector<std::uint8_t>& bytes, unsigned codePage, DecodedRegFile& decoded,
                 RegParseError& error) {
  const std::u16string wide = Utf16FromLe(bytes.data() + 2, bytes.size() - 2);
  if (bytes.size() % 2 != 0) {
    error = {1 + static_cast<std::size_t>(std::count(wide.begin(), wide.end(), u'\n')),
             "UTF-16 file ends in the middle of a character (odd number of bytes)"};
    return false;
  }
  decoded.text = text::Utf8FromUtf16(wide);
  if (FirstLine(decoded.text) != kHeaderVersion5) {
    error = NotAnExport(RegDialect(RegFormat::Version5, codePage), decoded.text);
    return false;
  }
  decoded.format = RegFormat::Version5;
  return true;
}

}  // namespace

bool DecodeRegFile(const std::vector<std::uint8_t>& bytes, unsigned codePage, DecodedRegFile& decoded,
                   RegParseError& error) {
  if (StartsWith(bytes, "\xFF\xFE")) return DecodeUtf16(bytes, codePage, decoded, error);
  if (StartsWith(bytes, "\xFE\xFF")) {
    error = {1, "UTF-16 big-endian files are not supported"};
    return false;
  }
  const bool utf8Mark = StartsWith(bytes, "\xEF\xBB\xBF");
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()) + (utf8Mark ? 3 : 0),
                              bytes.size() - (utf8Mark ? 3 : 0));
  const std::string_view header = FirstLine(text);
  if (header == kHeaderVersion5) {
    if (const std::size_t bad = FirstBadUtf8Line(text)) {
      error = {bad, "line is not valid UTF-8"};
      return false;
    }
    decoded = {RegFormat::Version5, std::string(text)};
    return true;
  }
  if (header == kHeaderRegedit4) {
    if (utf8Mark) {
      error = {1, "a REGEDIT4 file holds code-page bytes, not UTF-8 (it starts with a UTF-8 byte-order mark)"};
      return false;
    }
    decoded = {RegFormat::Regedit4, std::string(text)};
    return true;
  }
  error = NotAnExport(RegDialect(utf8Mark ? RegFormat::Version5 : RegFormat::Regedit4, codePage), text);
  return false;
}

}  // namespace zr::sim::regfile

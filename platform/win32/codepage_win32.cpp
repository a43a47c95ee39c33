// Code-page conversion on Windows, through MultiByteToWideChar and
// WideCharToMultiByte. The UTF-8 part and IsLeadByte are shared (utf.cpp).
#include <climits>

#include "platform/text/codepage.h"
#include "platform/win32/windows_api.h"

namespace zr::text {
namespace {

// The calls count in int; longer text than that is no text the tool handles.
constexpr std::size_t kMaxUnits = INT_MAX / 4;

// One call for the whole text when every byte is valid; the common case.
bool ConvertStrict(std::string_view bytes, unsigned codePage, std::u16string& out) {
  const int length = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return false;
  out.assign(static_cast<std::size_t>(needed), u'\0');
  return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length,
                             reinterpret_cast<wchar_t*>(out.data()), needed) == needed;
}

// Character by character, so that each bad byte costs one U+FFFD and
// nothing more (the system would put the code page's own default character
// there, e.g. U+30FB for 932). A lead byte whose pair is not a character
// is bad on its own and the byte after it is tried afresh, as on Linux.
std::u16string ConvertLenient(std::string_view bytes, unsigned codePage) {
  std::u16string out;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const bool lead = IsLeadByte(static_cast<unsigned char>(bytes[at]), codePage);
    std::size_t width = lead && at + 1 < bytes.size() ? 2 : 1;
    std::u16string one;
    if (!(lead && width == 1) && ConvertStrict(bytes.substr(at, width), codePage, one)) {
      out += one;
    } else {
      out += u'\uFFFD';
      width = 1;
    }
    at += width;
  }
  return out;
}

}  // namespace

std::u16string ToUtf16(std::string_view bytes, unsigned codePage) {
  if (bytes.empty() || bytes.size() > kMaxUnits) return {};
  if (codePage == CP_UTF8) return Utf16FromUtf8(bytes);
  std::u16string out;
  if (ConvertStrict(bytes, codePage, out)) return out;
  if (!IsValidCodePage(codePage)) {
    // As on Linux: ASCII survives an unknown code page, nothing else does.
    for (unsigned char c : bytes) out += c < 0x80 ? char16_t(c) : char16_t(0xFFFD);
    return out;
  }
  return ConvertLenient(bytes, codePage);
}

std::string FromUtf16(std::u16string_view text, unsigned codePage) {
  if (text.empty() || text.size() > kMaxUnits) return {};
  if (codePage == CP_UTF8) return Utf8FromUtf16(text);
  if (!IsValidCodePage(codePage)) {
    std::string out;
    for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
  }
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(codePage, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string out(static_cast<std::size_t>(needed), '\0');
  const int written = WideCharToMultiByte(codePage, 0, wide, length, out.data(), needed, nullptr, nullptr);
  out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return out;
}

bool IsSupportedCodePage(unsigned codePage) { return IsValidCodePage(codePage) != FALSE; }

}  // namespace zr::text

// Conversions between the machine's code page (the bytes the ANSI calls
// give), UTF-16 and UTF-8. One implementation per host: iconv on Linux,
// MultiByteToWideChar / WideCharToMultiByte on Windows.
//
// A byte sequence that is not valid in the code page converts to U+FFFD; a
// character that the code page cannot hold converts to '?', as the ANSI
// calls do.
#pragma once

#include <string>
#include <string_view>

namespace zr::text {

inline constexpr unsigned kDefaultCodePage = 932;

std::u16string ToUtf16(std::string_view bytes, unsigned codePage);
std::string FromUtf16(std::u16string_view text, unsigned codePage);

std::string Utf8FromUtf16(std::u16string_view text);
std::u16string Utf16FromUtf8(std::string_view text);

inline std::string ToUtf8(std::string_view bytes, unsigned codePage) { return Utf8FromUtf16(ToUtf16(bytes, codePage)); }
inline std::string FromUtf8(std::string_view text, unsigned codePage) {
  return FromUtf16(Utf16FromUtf8(text), codePage);
}

// True when the code page is one this host can convert.
bool IsSupportedCodePage(unsigned codePage);

// True when `byte` starts a two-byte character in the code page (932, 936,
// 949, 950); such a pair must be kept together when cutting or folding.
bool IsLeadByte(unsigned char byte, unsigned codePage);

}  // namespace zr::text

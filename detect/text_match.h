// Comparisons with the device's descriptions and ids: the letters A to Z
// match without regard to case, every other byte exactly.
#pragma once

#include <algorithm>
#include <string_view>

namespace zr {

inline char FoldAsciiLetter(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

inline bool EqualIgnoringCase(std::string_view value, std::string_view pattern) {
  return value.size() == pattern.size() && std::equal(value.begin(), value.end(), pattern.begin(), [](char a, char b) {
           return FoldAsciiLetter(a) == FoldAsciiLetter(b);
         });
}

// The value has the whole pattern as its first characters (and may go on).
inline bool StartsWithIgnoringCase(std::string_view value, std::string_view pattern) {
  return value.size() >= pattern.size() && EqualIgnoringCase(value.substr(0, pattern.size()), pattern);
}

}  // namespace zr

// Registry and Windows paths split at their backslashes the way the ANSI
// calls split them: a backslash that is the second byte of a double-byte
// character of the code page is part of that character.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zr::safety {

// The non-empty components of `path`.
std::vector<std::string_view> PathParts(std::string_view path, unsigned codePage);
std::string JoinParts(const std::vector<std::string_view>& parts, char separator);

// ASCII letters lower-cased; code-page bytes above 0x7F left as they are.
std::string LowerAscii(std::string_view text);

}  // namespace zr::safety

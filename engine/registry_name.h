// Key names and paths below HKEY_LOCAL_MACHINE as the engine holds them:
// code-page bytes, in which a backslash byte may also be the second byte of
// a double-byte character (Shift-JIS "\x83\x5C"), which separates nothing.
#pragma once

#include <string_view>

#include "platform/text/codepage.h"

namespace zr {

// True when the last name of `path` is empty: the path is empty or ends in
// a backslash of its own. Such a path names the parent of the key meant,
// and a deletion through it would take that parent.
inline bool LastNameEmpty(std::string_view path, unsigned codePage) {
  bool endsInSeparator = true;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const bool pair = i + 1 < path.size() && text::IsLeadByte(static_cast<unsigned char>(path[i]), codePage) &&
                      static_cast<unsigned char>(path[i + 1]) >= 0x40;
    endsInSeparator = !pair && path[i] == '\\';
    if (pair) ++i;
  }
  return endsInSeparator;
}

}  // namespace zr

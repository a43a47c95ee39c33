// Creating registry keys, which only putting a journal back needs: the
// engine never creates a key, so this is apart from IRegistry and no
// decorator of the engine's platform has to pass it on.
#pragma once

#include <cstdint>
#include <string_view>

namespace zr {

class IKeyCreator {
 public:
  virtual ~IKeyCreator() = default;

  // RegCreateKeyExA(HKLM, path, ...) and RegCloseKey: kSuccess when the key
  // exists afterwards (created, with any missing keys on the way, or there
  // already); kAccessDenied when refused; kBadPathname for a path with a
  // leading backslash or that names HKLM itself.
  virtual std::uint32_t CreateKey(std::string_view path) = 0;
};

}  // namespace zr

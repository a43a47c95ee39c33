// How a registry call hands a stored value or a name to its caller, as the
// contracts of IRegistry::QueryValue, EnumKey and EnumValue say: one place
// for every registry that keeps values itself (the simulation, the preview's
// overlay).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/win_codes.h"

namespace zr {

// QueryValue's answer for a value of `kind` holding `stored` (the value
// exists; `size` may be null only when `data` is).
inline std::uint32_t AnswerValueQuery(std::uint32_t kind, const std::vector<std::uint8_t>& stored, std::uint8_t* data,
                                      std::uint32_t* size, std::uint32_t* type) {
  if (type != nullptr) *type = kind;
  if (size == nullptr) return win::kSuccess;  // a question about the kind only
  const auto count = static_cast<std::uint32_t>(stored.size());
  if (data == nullptr) {
    *size = count;
    return win::kSuccess;
  }
  if (count > *size) {
    *size = count;
    return win::kMoreData;
  }
  if (count > 0) std::memcpy(data, stored.data(), count);
  // The ANSI call finishes a string that was stored without its zero when the
  // caller left room; the zero is not counted.
  const bool isString = kind == win::kRegSz || kind == win::kRegExpandSz || kind == win::kRegMultiSz;
  if (isString && count < *size && (count == 0 || stored.back() != 0)) data[count] = 0;
  *size = count;
  return win::kSuccess;
}

// The bytes SetValue stores for what it is given (`nt`: the NT family),
// or kInvalidParameter.
inline std::uint32_t ValueToStore(bool nt, std::uint32_t kind, const std::uint8_t* data, std::uint32_t size,
                                  std::vector<std::uint8_t>& out) {
  out.clear();
  if (data == nullptr) return size > 0 || (!nt && kind == win::kRegSz) ? win::kInvalidParameter : win::kSuccess;
  if (!nt && kind == win::kRegSz) {
    // 9x takes a string up to its zero whatever length it is given. The zero
    // is looked for within the given bytes only: the caller's buffer may end
    // there.
    out.assign(data, std::find(data, data + size, std::uint8_t{0}));
    out.push_back(0);
  } else {
    out.assign(data, data + size);
  }
  return win::kSuccess;
}

// EnumKey's and EnumValue's answer for the name found: kMoreData when it does
// not fit, EnumValue then leaving it cut and terminated in the buffer.
inline std::uint32_t AnswerEnumName(std::string_view found, char* name, std::uint32_t* capacity, bool cutWhenLong) {
  if (found.size() + 1 > *capacity) {
    if (cutWhenLong && *capacity > 0) {
      std::memcpy(name, found.data(), *capacity - 1);
      name[*capacity - 1] = 0;
    }
    return win::kMoreData;
  }
  std::memcpy(name, found.data(), found.size());
  name[found.size()] = 0;
  *capacity = static_cast<std::uint32_t>(found.size());
  return win::kSuccess;
}

}  // namespace zr

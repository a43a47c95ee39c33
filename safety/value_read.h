// Reads one registry value whole, whatever its size.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace zr::safety {

// kSuccess with the value's kind and bytes; kFileNotFound for a missing
// key (`keyMissing` set) or value; any other code when the key or value
// cannot be read.
std::uint32_t ReadWholeValue(IRegistry& registry, std::string_view key, std::string_view name, std::uint32_t& type,
                             std::vector<std::uint8_t>& data, bool& keyMissing);

}  // namespace zr::safety

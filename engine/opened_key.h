// A registry key opened below HKEY_LOCAL_MACHINE for the span of one step.
// When it goes, the key is closed and so is the root handle, so no handle
// outlives the step; a key that did not open closes nothing.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/registry.h"
#include "platform/win_codes.h"

namespace zr {

class OpenedKey {
 public:
  OpenedKey(IRegistry& registry, std::string_view path, std::uint32_t access)
      : registry_(registry), result_(registry.OpenKey(path, access, handle_)) {}
  ~OpenedKey() {
    if (result_ == win::kSuccess) {
      registry_.CloseKey(handle_);
      registry_.CloseRoot();
    }
  }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;

  bool Ok() const { return result_ == win::kSuccess; }
  std::uint32_t Result() const { return result_; }
  RegHandle Handle() const { return handle_; }

  // The name of sub-key `index` into `name` (260 bytes); false when there is
  // none (or it does not fit).
  template <typename Text>
  bool SubKeyName(std::uint32_t index, Text& name) {
    std::uint32_t capacity = 260;
    if (registry_.EnumKey(handle_, index, name.data(), &capacity) != win::kSuccess) return false;
    name.Terminate(capacity);
    return true;
  }
  template <typename Text>
  bool ValueName(std::uint32_t index, Text& name) {
    std::uint32_t capacity = 260;
    if (registry_.EnumValue(handle_, index, name.data(), &capacity) != win::kSuccess) return false;
    name.Terminate(capacity);
    return true;
  }

 private:
  IRegistry& registry_;
  RegHandle handle_ = IRegistry::kNoHandle;
  std::uint32_t result_;
};

}  // namespace zr

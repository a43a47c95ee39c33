#include "safety/value_read.h"

#include "platform/win_codes.h"

namespace zr::safety {

std::uint32_t ReadWholeValue(IRegistry& registry, std::string_view key, std::string_view name, std::uint32_t& type,
                             std::vector<std::uint8_t>& data, bool& keyMissing) {
  RegHandle handle = IRegistry::kNoHandle;
  const std::uint32_t opened = registry.OpenKey(key, win::kKeyQueryValue, handle);
  keyMissing = opened == win::kFileNotFound;
  if (opened != win::kSuccess) return opened;
  std::uint32_t size = 0;
  std::uint32_t rc = registry.QueryValue(handle, name, nullptr, &size, &type);
  // A value that grows between the two calls is read again at its new size.
  for (int tries = 0; rc == win::kSuccess && tries < 3; ++tries) {
    data.assign(size, 0);
    rc = registry.QueryValue(handle, name, data.data(), &size, &type);
    if (rc != win::kMoreData) break;
    rc = win::kSuccess;
  }
  if (rc == win::kSuccess) data.resize(size);
  registry.CloseKey(handle);
  return rc;
}

}  // namespace zr::safety

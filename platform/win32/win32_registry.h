// IRegistry over the real registry calls (advapi32, ANSI).
//
// RegHandle is 32 bits wide on every build while an HKEY is a pointer, so
// the backend keeps a table from the numbers it hands out to the keys it
// opened; kRootHandle stands for HKEY_LOCAL_MACHINE itself. Numbers are
// never reused within a run, so a handle closed twice is reported as
// invalid instead of closing someone else's key.
#pragma once

#include <cstdint>
#include <map>

#include "platform/key_creator.h"
#include "platform/registry.h"
#include "platform/win32/windows_api.h"

namespace zr::win32 {

class Win32Registry final : public IRegistry, public IKeyCreator {
 public:
  // `platformId` is the version record's: 9x has no access lists, and its
  // key deletion takes whole sub-trees.
  explicit Win32Registry(std::uint32_t platformId);
  ~Win32Registry() override;
  Win32Registry(const Win32Registry&) = delete;
  Win32Registry& operator=(const Win32Registry&) = delete;

  std::uint32_t OpenKey(std::string_view path, std::uint32_t access, RegHandle& out) override;
  std::uint32_t QueryValue(RegHandle key, std::string_view name, std::uint8_t* data, std::uint32_t* size,
                           std::uint32_t* type) override;
  std::uint32_t SetValue(RegHandle key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                         std::uint32_t size) override;
  std::uint32_t DeleteValue(RegHandle key, std::string_view name) override;
  std::uint32_t DeleteKey(RegHandle key, std::string_view subkey) override;
  std::uint32_t EnumKey(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) override;
  std::uint32_t EnumValue(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) override;
  std::uint32_t CloseKey(RegHandle key) override;
  std::uint32_t CloseRoot() override;
  std::uint32_t ReplaceAccessList(RegHandle key) override;

  // Handles handed out and not yet closed (kRootHandle never counts).
  std::uint32_t CreateKey(std::string_view path) override;

  long OpenHandleCount() const { return static_cast<long>(keys_.size()); }

 private:
  // The key behind a handle, or nullptr for kNoHandle and unknown numbers.
  HKEY Lookup(RegHandle key) const;
  RegHandle Remember(HKEY key);
  bool NineX() const;

  std::uint32_t platformId_;
  std::map<RegHandle, HKEY> keys_;
  RegHandle next_ = 1;
};

}  // namespace zr::win32

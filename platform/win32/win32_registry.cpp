#include "platform/win32/win32_registry.h"

#include <string>
#include <vector>

#include "platform/win32/key_access_list.h"
#include "platform/win_codes.h"

namespace zr::win32 {

namespace {

bool IsStringKind(std::uint32_t type) {
  return type == win::kRegSz || type == win::kRegExpandSz || type == win::kRegMultiSz;
}

// Deletes every sub-key of `key`, depth first. The name buffer is sized
// afresh for each sub-key: a length left from the previous one would end
// the enumeration early.
LONG DeleteSubKeys(HKEY key) {
  for (;;) {
    char name[MAX_PATH + 1];
    DWORD length = sizeof(name);
    const LONG rc = RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    UniqueKey child;
    LONG childRc = RegOpenKeyExA(key, name, 0, KEY_ALL_ACCESS, child.Receive());
    if (childRc == ERROR_SUCCESS) childRc = DeleteSubKeys(child.Get());
    child.Reset();
    if (childRc == ERROR_SUCCESS) childRc = RegDeleteKeyA(key, name);
    if (childRc != ERROR_SUCCESS) return childRc;
  }
}

}  // namespace

Win32Registry::Win32Registry(std::uint32_t platformId) : platformId_(platformId) {}

bool Win32Registry::NineX() const { return platformId_ == win::kPlatformWindows9x; }

Win32Registry::~Win32Registry() {
  // Keys the caller forgot are still released; the count the tests read has
  // already told them.
  for (auto& entry : keys_) RegCloseKey(entry.second);
}

HKEY Win32Registry::Lookup(RegHandle key) const {
  if (key == kRootHandle) return HKEY_LOCAL_MACHINE;
  const auto found = keys_.find(key);
  return found == keys_.end() ? nullptr : found->second;
}

RegHandle Win32Registry::Remember(HKEY key) {
  while (next_ == kNoHandle || next_ == kRootHandle || keys_.count(next_) != 0) ++next_;
  const RegHandle handle = next_++;
  keys_.emplace(handle, key);
  return handle;
}

std::uint32_t Win32Registry::CreateKey(std::string_view path) {
  if (HoldsZero(path)) return win::kInvalidParameter;
  if (path.empty() || path.front() == '\\') return win::kBadPathname;
  const std::string name(path);
  HKEY key = nullptr;
  const LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_QUERY_VALUE, nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) return static_cast<std::uint32_t>(rc);
  RegCloseKey(key);
  return win::kSuccess;
}

std::uint32_t Win32Registry::OpenKey(std::string_view path, std::uint32_t access, RegHandle& out) {
  out = kNoHandle;
  if (HoldsZero(path)) return win::kInvalidParameter;
  const std::string name(path);
  HKEY key = nullptr;
  const LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, name.c_str(), 0, access, &key);
  if (rc != ERROR_SUCCESS) return static_cast<std::uint32_t>(rc);
  // "" opens the root itself and hands back the predefined value.
  out = key == HKEY_LOCAL_MACHINE ? kRootHandle : Remember(key);
  return win::kSuccess;
}

std::uint32_t Win32Registry::QueryValue(RegHandle key, std::string_view name, std::uint8_t* data, std::uint32_t* size,
                                        std::uint32_t* type) {
  if (data != nullptr && size == nullptr) return win::kInvalidParameter;
  HKEY hkey = Lookup(key);
  if (hkey == nullptr) return win::kInvalidHandle;
  if (HoldsZero(name)) return win::kInvalidParameter;
  const std::string valueName(name);
  // The call writes its out-parameters only in some cases; starting from the
  // caller's values keeps "unchanged" unchanged.
  DWORD sizeIo = size != nullptr ? *size : 0;
  DWORD typeOut = type != nullptr ? *type : 0;
  const LONG rc = RegQueryValueExA(hkey, valueName.c_str(), nullptr, type != nullptr ? &typeOut : nullptr, data,
                                   size != nullptr ? &sizeIo : nullptr);
  if (size != nullptr) *size = sizeIo;
  if (type != nullptr) *type = typeOut;
  return static_cast<std::uint32_t>(rc);
}

std::uint32_t Win32Registry::SetValue(RegHandle key, std::string_view name, std::uint32_t type,
                                      const std::uint8_t* data, std::uint32_t size) {
  // NT's RegSetValueExA dereferences data for a string kind even when it was
  // given none; it must not be reached that way.
  if (data == nullptr && size > 0) return win::kInvalidParameter;
  HKEY hkey = Lookup(key);
  if (hkey == nullptr) return win::kInvalidHandle;
  if (HoldsZero(name)) return win::kInvalidParameter;
  const std::string valueName(name);

  if (data == nullptr || !IsStringKind(type)) {
    return static_cast<std::uint32_t>(RegSetValueExA(hkey, valueName.c_str(), 0, type, data, size));
  }
  // For a string the ANSI call looks past `size`: NT reads data[size] and
  // counts one more byte when it is a zero, 9x runs to the first zero of a
  // REG_SZ wherever that is. Handing it a copy with a chosen byte after the
  // data keeps both reads inside our memory, and no byte beyond `size`
  // reaches the registry: NT stores exactly `size` bytes, 9x stops at the
  // first zero within them (adding its own zero when there is none).
  std::vector<std::uint8_t> copy(data, data + size);
  copy.push_back(NineX() && type == win::kRegSz ? 0 : 1);
  return static_cast<std::uint32_t>(RegSetValueExA(hkey, valueName.c_str(), 0, type, copy.data(), size));
}

std::uint32_t Win32Registry::DeleteValue(RegHandle key, std::string_view name) {
  HKEY hkey = Lookup(key);
  if (hkey == nullptr) return win::kInvalidHandle;
  if (HoldsZero(name)) return win::kInvalidParameter;
  const std::string valueName(name);
  return static_cast<std::uint32_t>(RegDeleteValueA(hkey, valueName.c_str()));
}

std::uint32_t Win32Registry::DeleteKey(RegHandle key, std::string_view subkey) {
  HKEY hkey = Lookup(key);
  if (hkey == nullptr) return win::kInvalidHandle;
  // A cut name would delete a parent of the key that was meant.
  if (HoldsZero(subkey)) return win::kInvalidParameter;
  const std::string name(subkey);
  LONG rc = RegDeleteKeyA(hkey, name.c_str());
  if (rc == ERROR_ACCESS_DENIED && NineX()) {
    // 9x deletes the whole sub-tree. Wine's 9x mode stops early on a key
    // with two or more sub-keys and then refuses the key itself; finishing
    // the sub-tree here gives the result Windows 9x gives.
    UniqueKey target;
    if (RegOpenKeyExA(hkey, name.c_str(), 0, KEY_ALL_ACCESS, target.Receive()) == ERROR_SUCCESS &&
        DeleteSubKeys(target.Get()) == ERROR_SUCCESS) {
      target.Reset();
      rc = RegDeleteKeyA(hkey, name.c_str());
    }
  }
  return static_cast<std::uint32_t>(rc);
}

std::uint32_t Win32Registry::EnumKey(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) {
  if (name == nullptr || capacity == nullptr) return win::kInvalidParameter;
  HKEY hkey = Lookup(key);
  if (hkey == nullptr) return win::kInvalidHandle;
  DWORD count = *capacity;
  const LONG rc = RegEnumKeyExA(hkey, index, name, &count, nullptr, nullptr, nullptr, nullptr);
  *capacity = count;
  return static_cast<std::uint32_t>(rc);
}

std::uint32_t Win32Registry::EnumValue(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) {
  if (name == nullptr || capacity == nullptr) return win::kInvalidParameter;
  HKEY hkey = Lookup(key);
  if (hkey == nullptr) return win::kInvalidHandle;
  DWORD count = *capacity;
  const LONG rc = RegEnumValueA(hkey, index, name, &count, nullptr, nullptr, nullptr, nullptr);
  *capacity = count;
  return static_cast<std::uint32_t>(rc);
}

std::uint32_t Win32Registry::CloseKey(RegHandle key) {
  if (key == kRootHandle) return CloseRoot();
  const auto found = keys_.find(key);
  if (found == keys_.end()) return win::kInvalidHandle;
  HKEY hkey = found->second;
  keys_.erase(found);
  return static_cast<std::uint32_t>(RegCloseKey(hkey));
}

std::uint32_t Win32Registry::CloseRoot() { return static_cast<std::uint32_t>(RegCloseKey(HKEY_LOCAL_MACHINE)); }

std::uint32_t Win32Registry::ReplaceAccessList(RegHandle key) {
  HKEY hkey = Lookup(key);
  if (hkey == nullptr) return win::kInvalidHandle;
  // Windows 9x has no access lists and refuses the call; Wine's 9x mode
  // would accept it.
  if (NineX()) return win::kCallNotImplemented;
  return static_cast<std::uint32_t>(
      SetKeyAccessList(hkey, {{WellKnownSid::Interactive, KEY_READ}, {WellKnownSid::Administrators, KEY_ALL_ACCESS}}));
}

}  // namespace zr::win32

// The registry, file and privilege primitives: each opens afresh, does one
// thing, and closes the key and the root again.
#include <cstring>

#include "engine/opened_key.h"
#include "engine/reg_edit.h"

namespace zr {

int CRegEdit::RegReadValue(std::string_view keyPath, std::string_view valueName, std::span<std::uint8_t> buffer) {
  OpenedKey key(platform_.Registry(), keyPath, win::kKeyQueryValue);
  lastReadResult_ = key.Result();
  if (!key.Ok()) return -1;
  return ReadOpenedValue(key.Handle(), valueName, buffer);
}

int CRegEdit::ReadOpenedValue(RegHandle key, std::string_view valueName, std::span<std::uint8_t> buffer) {
  std::uint32_t size = static_cast<std::uint32_t>(std::min(buffer.size(), kValueBuffer));
  const std::uint32_t rc = platform_.Registry().QueryValue(key, valueName, buffer.data(), &size, nullptr);
  lastReadResult_ = rc;
  if (rc != win::kSuccess) {
    if (!buffer.empty()) buffer[0] = 0;
    return 0;
  }
  return static_cast<int>(size);
}

int CRegEdit::RegWriteValue(std::string_view keyPath, std::string_view valueName, const void* data,
                            std::uint32_t length, std::uint32_t type) {
  OpenedKey key(platform_.Registry(), keyPath, win::kKeySetValue);
  if (!key.Ok()) return 0;
  const std::uint32_t rc =
      platform_.Registry().SetValue(key.Handle(), valueName, type, static_cast<const std::uint8_t*>(data), length);
  return rc == win::kSuccess ? 1 : 0;
}

int CRegEdit::RegWriteValueEx(std::string_view keyPath, std::string_view valueName, const void* data,
                              std::uint32_t length, std::uint32_t type, int mode) {
  switch (mode) {
    case 1:
      return RegWriteValue(keyPath, valueName, data, length, type);
    case 2:
      // The write is tried whether or not the list could be replaced.
      SetKeySecurity(keyPath);
      return RegWriteValue(keyPath, valueName, data, length, type);
    default:
      return 0;
  }
}

int CRegEdit::RegDeleteValue(std::string_view keyPath, std::string_view valueName) {
  OpenedKey key(platform_.Registry(), keyPath, win::kKeySetValue);
  if (!key.Ok()) return 0;
  return platform_.Registry().DeleteValue(key.Handle(), valueName) == win::kSuccess ? 1 : 0;
}

int CRegEdit::RegDeleteKey(std::string_view parentPath, std::string_view subKeyName) {
  OpenedKey key(platform_.Registry(), parentPath, win::kKeyQueryValue);
  if (!key.Ok()) return 0;
  return platform_.Registry().DeleteKey(key.Handle(), subKeyName) == win::kSuccess ? 1 : 0;
}

int CRegEdit::SetKeySecurity(std::string_view keyPath) {
  OpenedKey key(platform_.Registry(), keyPath, win::kWriteDac);
  if (!key.Ok()) return 0;
  return platform_.Registry().ReplaceAccessList(key.Handle()) == win::kSuccess ? 1 : 0;
}

int CRegEdit::DeleteFileForce(const std::string& filePath) {
  IFiles& files = platform_.Files();
  std::uint32_t error = 0;
  // A missing file reports every bit set, read-only included; clearing it
  // then fails harmlessly.
  if (files.GetAttributes(filePath, error) & win::kFileAttributeReadonly)
    files.SetAttributes(filePath, win::kFileAttributeNormal);
  files.DeleteFile(filePath);
  return 1;
}

int CRegEdit::EnableShutdownPrivilege() { return static_cast<int>(platform_.Power().EnableShutdownPrivilege()); }

}  // namespace zr

// The registry below HKEY_LOCAL_MACHINE, as the engine sees it through the
// ANSI calls. Names and string data are bytes of the machine's code page.
//
// Every method returns a Win32 result code (zr::win::k*). The contracts below
// hold for both backends: the real registry (platform/win32) and the
// simulated one (platform/sim); the conformance suite checks them on both.
//
// Handles: kRootHandle stands for HKEY_LOCAL_MACHINE itself. Every other
// handle comes from OpenKey and must be given back to CloseKey exactly once.
//
// Bad arguments, the same for every method: a pointer a method cannot do
// without (QueryValue's size when data is given, SetValue's data when size
// is above 0, EnumKey's and EnumValue's name and capacity) missing gives
// kInvalidParameter before the handle is looked at; then a handle that is
// kNoHandle, was never handed out or is already closed gives kInvalidHandle.
// Either way nothing changes and no output is written. (ReplaceAccessList
// on 9x answers kCallNotImplemented whatever it is given.)
// "NT" below means a machine of platform id 2, "9x" one of platform id 1.
#pragma once

#include <cstdint>
#include <string_view>

namespace zr {

using RegHandle = std::uint32_t;

class IRegistry {
 public:
  // HKEY_LOCAL_MACHINE's predefined value, so that a handle printed in a log
  // reads the same on both backends.
  static constexpr RegHandle kRootHandle = 0x80000002u;
  static constexpr RegHandle kNoHandle = 0;

  virtual ~IRegistry() = default;

  // RegOpenKeyExA(HKLM, path, 0, access, &out).
  // - present key: kSuccess, out = a new handle. "" opens HKLM itself and out
  //   is kRootHandle. Names compare without regard to case; a trailing or
  //   doubled backslash is accepted; '/' is an ordinary name character.
  // - missing key (any missing component): kFileNotFound, out = kNoHandle.
  // - a leading backslash: kBadPathname, out = kNoHandle.
  // - refused (NT only: the key's access list does not grant `access`, e.g. a
  //   protected key opened for kKeySetValue or kDelete, or any write access
  //   on a machine where the user is no administrator): kAccessDenied.
  // 9x grants every access mask.
  virtual std::uint32_t OpenKey(std::string_view path, std::uint32_t access, RegHandle& out) = 0;

  // RegQueryValueExA(key, name, 0, type, data, size). name "" is the
  // default value.
  // - size == nullptr: kInvalidParameter when data != nullptr, else kSuccess.
  // - data == nullptr: kSuccess, *size = stored byte count.
  // - value fits in *size: kSuccess, the stored bytes are copied, *size =
  //   stored byte count. A string value (REG_SZ, REG_EXPAND_SZ,
  //   REG_MULTI_SZ) stored without a final zero gets one at data[stored]
  //   when *size leaves room for it; it is not counted.
  // - value larger than *size: kMoreData, *size = stored byte count, data
  //   left entirely untouched.
  // - missing value: kFileNotFound, *size unchanged, data untouched.
  // In every case but the missing value, *type (when given) receives the
  // value's kind; a missing value sets it to 0.
  // - handle opened without kKeyQueryValue (NT): kAccessDenied.
  // - handle whose key was deleted: kKeyDeleted.
  virtual std::uint32_t QueryValue(RegHandle key, std::string_view name, std::uint8_t* data, std::uint32_t* size,
                                   std::uint32_t* type) = 0;

  // RegSetValueExA(key, name, 0, type, data, size).
  // - kSuccess: the value now holds the given kind and bytes. NT stores
  //   exactly `size` bytes; 9x stores a REG_SZ up to its first zero within
  //   `size` bytes, and one zero after it. Nothing beyond `size` is ever
  //   read (the real calls look past it: NT at data[size], 9x up to the
  //   string's end).
  // - handle opened without kKeySetValue (NT): kAccessDenied.
  // - data == nullptr with size > 0: kInvalidParameter.
  // - handle whose key was deleted: kKeyDeleted.
  virtual std::uint32_t SetValue(RegHandle key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                                 std::uint32_t size) = 0;

  // RegDeleteValueA(key, name).
  // - kSuccess when deleted; kFileNotFound when there is no such value;
  //   kAccessDenied when the handle lacks kKeySetValue (NT).
  virtual std::uint32_t DeleteValue(RegHandle key, std::string_view name) = 0;

  // RegDeleteKeyA(key, subkey). Only the last component of `subkey` is
  // deleted; "" deletes the key the handle refers to.
  // - kSuccess: the key is gone (9x: with its whole sub-tree).
  // - missing key or missing component: kFileNotFound.
  // - NT: a key that still has sub-keys, a key whose access list refuses
  //   deletion, or any key when the user is no administrator: kAccessDenied,
  //   nothing deleted. HKLM itself is never deleted (kAccessDenied).
  // Other handles to a deleted key stay open and report kKeyDeleted.
  virtual std::uint32_t DeleteKey(RegHandle key, std::string_view subkey) = 0;

  // RegEnumKeyExA(key, index, name, &capacity, ...). Sub-keys are listed in
  // the registry's own order: names compared lower-cased, code unit by code
  // unit (so '[' and '_' sort before letters).
  // - kSuccess: name holds the sub-key's name and a zero; *capacity = its
  //   length without the zero. On entry *capacity is the buffer size in
  //   bytes, including room for the zero.
  // - name does not fit: kMoreData, name untouched, *capacity unchanged.
  // - index past the end: kNoMoreItems.
  // - handle opened without kKeyEnumerateSubKeys (NT): kAccessDenied.
  virtual std::uint32_t EnumKey(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) = 0;

  // RegEnumValueA(key, index, name, &capacity, 0, 0, 0, 0): names only, in
  // the same order as sub-keys (the default value "" first once set).
  // - kSuccess as EnumKey.
  // - name does not fit: kMoreData, the name cut to capacity - 1 bytes and a
  //   zero is written, *capacity unchanged.
  // - index past the end: kNoMoreItems.
  // - handle opened without kKeyQueryValue (NT): kAccessDenied.
  virtual std::uint32_t EnumValue(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) = 0;

  // RegCloseKey(key). kSuccess for an open handle (it is then invalid);
  // kInvalidHandle for kNoHandle, an unknown or an already closed handle.
  // Closing kRootHandle succeeds and HKLM stays usable.
  virtual std::uint32_t CloseKey(RegHandle key) = 0;

  // RegCloseKey(HKEY_LOCAL_MACHINE): always kSuccess; the root stays usable.
  virtual std::uint32_t CloseRoot() = 0;

  // RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd) with the tool's
  // own two-entry list: interactive users (S-1-5-4) KEY_READ, then local
  // administrators (S-1-5-32-544) KEY_ALL_ACCESS, no inheritance. The list
  // applies to this key alone.
  // - NT: kSuccess; from then on the key grants every access to the
  //   administrator. kAccessDenied when the handle lacks kWriteDac.
  // - 9x has no access lists: kCallNotImplemented.
  virtual std::uint32_t ReplaceAccessList(RegHandle key) = 0;
};

}  // namespace zr

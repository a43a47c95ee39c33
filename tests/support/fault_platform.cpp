#include "tests/support/fault_platform.h"

#include "platform/win_codes.h"

namespace zr::testing {

bool FaultPlatform::Fails(Call call) {
  if (fault_.call != Call::kAny && fault_.call != call) return false;
  ++calls_;
  if (fault_.at == 0 || calls_ < fault_.at || (calls_ > fault_.at && !fault_.persistent)) return false;
  reached_ = true;
  return true;
}

std::uint32_t FaultPlatform::OpenKey(std::string_view path, std::uint32_t access, RegHandle& out) {
  if (!Fails(Call::kOpenKey)) return ForwardingPlatform::OpenKey(path, access, out);
  out = IRegistry::kNoHandle;
  return fault_.code;
}

std::uint32_t FaultPlatform::QueryValue(RegHandle key, std::string_view name, std::uint8_t* data, std::uint32_t* size,
                                        std::uint32_t* type) {
  return Fails(Call::kQueryValue) ? fault_.code : ForwardingPlatform::QueryValue(key, name, data, size, type);
}

std::uint32_t FaultPlatform::SetValue(RegHandle key, std::string_view name, std::uint32_t type,
                                      const std::uint8_t* data, std::uint32_t size) {
  return Fails(Call::kSetValue) ? fault_.code : ForwardingPlatform::SetValue(key, name, type, data, size);
}

std::uint32_t FaultPlatform::DeleteValue(RegHandle key, std::string_view name) {
  return Fails(Call::kDeleteValue) ? fault_.code : ForwardingPlatform::DeleteValue(key, name);
}

std::uint32_t FaultPlatform::DeleteKey(RegHandle key, std::string_view subkey) {
  return Fails(Call::kDeleteKey) ? fault_.code : ForwardingPlatform::DeleteKey(key, subkey);
}

std::uint32_t FaultPlatform::EnumKey(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) {
  return Fails(Call::kEnumKey) ? fault_.code : ForwardingPlatform::EnumKey(key, index, name, capacity);
}

std::uint32_t FaultPlatform::EnumValue(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) {
  return Fails(Call::kEnumValue) ? fault_.code : ForwardingPlatform::EnumValue(key, index, name, capacity);
}

// A failed close still closes: Windows frees the handle whatever it
// reports, and a handle the engine cannot close again must not count as
// leaked by the engine.
std::uint32_t FaultPlatform::CloseKey(RegHandle key) {
  const std::uint32_t result = ForwardingPlatform::CloseKey(key);
  return Fails(Call::kCloseKey) ? fault_.code : result;
}

std::uint32_t FaultPlatform::ReplaceAccessList(RegHandle key) {
  return Fails(Call::kReplaceAccessList) ? fault_.code : ForwardingPlatform::ReplaceAccessList(key);
}

std::uint32_t FaultPlatform::GetAttributes(std::string_view path, std::uint32_t& error) {
  if (!Fails(Call::kGetAttributes)) return ForwardingPlatform::GetAttributes(path, error);
  error = fault_.code;
  return win::kInvalidFileAttributes;
}

std::uint32_t FaultPlatform::SetAttributes(std::string_view path, std::uint32_t attributes) {
  return Fails(Call::kSetAttributes) ? fault_.code : ForwardingPlatform::SetAttributes(path, attributes);
}

std::uint32_t FaultPlatform::DeleteFile(std::string_view path) {
  return Fails(Call::kDeleteFile) ? fault_.code : ForwardingPlatform::DeleteFile(path);
}

std::uint32_t FaultPlatform::CopyFile(std::string_view source, std::string_view target, bool failIfExists) {
  return Fails(Call::kCopyFile) ? fault_.code : ForwardingPlatform::CopyFile(source, target, failIfExists);
}

std::uint32_t FaultPlatform::ProbeExisting(std::string_view path) {
  return Fails(Call::kProbeExisting) ? fault_.code : ForwardingPlatform::ProbeExisting(path);
}

std::uint32_t FaultPlatform::ReadWholeFile(std::string_view path, std::vector<std::uint8_t>& out) {
  if (!Fails(Call::kReadWholeFile)) return ForwardingPlatform::ReadWholeFile(path, out);
  out.clear();
  return fault_.code;
}

// The disk fills part-way: the file is created and holds the first half.
std::uint32_t FaultPlatform::WriteWholeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) {
  if (!Fails(Call::kWriteWholeFile)) return ForwardingPlatform::WriteWholeFile(path, bytes);
  ForwardingPlatform::WriteWholeFile(path, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 2));
  return fault_.code;
}

}  // namespace zr::testing

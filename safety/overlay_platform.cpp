#include "safety/overlay_platform.h"

#include <algorithm>
#include <cstring>

#include "platform/registry_answers.h"
#include "platform/win_codes.h"
#include "safety/path_parts.h"

namespace zr::safety {
namespace {

// What a protected key refuses until its own access list is replaced.
constexpr std::uint32_t kRefusedUntilReplaced = win::kKeySetValue | win::kKeyCreateSubKey | win::kDelete;
constexpr std::uint32_t kNameBuffer = 16384;

std::string Child(const std::string& folded, std::string_view name) {
  return folded.empty() ? LowerAscii(name) : folded + "\\" + LowerAscii(name);
}

}  // namespace

bool CopyOnWritePlatform::IsNt() {
  if (nt_ < 0) {
    VersionRecord version;
    nt_ = Inner().System().GetVersion(version) && version.platformId == win::kPlatformWindowsNt ? 1 : 0;
  }
  return nt_ == 1;
}

bool CopyOnWritePlatform::Hidden(const std::string& folded) const {
  if (deletedKeys_.empty()) return false;
  for (std::size_t end = folded.find('\\'); end != std::string::npos; end = folded.find('\\', end + 1))
    if (deletedKeys_.count(folded.substr(0, end))) return true;
  return deletedKeys_.count(folded) > 0;
}

std::uint32_t CopyOnWritePlatform::Use(RegHandle key, std::uint32_t needed, const OpenedKey*& out) {
  out = Opened(key);
  if (out == nullptr) return win::kInvalidHandle;
  if (!out->path.empty() && Hidden(Fold(out->path))) return win::kKeyDeleted;
  if (IsNt() && (out->access & needed) != needed) return win::kAccessDenied;
  return win::kSuccess;
}

const CopyOnWritePlatform::Value* CopyOnWritePlatform::FindValue(const std::string& foldedKey,
                                                                 std::string_view name) const {
  auto key = values_.find(foldedKey);
  if (key == values_.end()) return nullptr;
  auto value = key->second.find(LowerAscii(name));
  return value == key->second.end() ? nullptr : &value->second;
}

// --- registry reads ---

std::uint32_t CopyOnWritePlatform::ApplyOpenKey(std::string_view path, std::uint32_t access, RegHandle& out) {
  out = kNoHandle;
  const std::string folded = Fold(path);
  if (!folded.empty() && !(path.front() == '\\') && Hidden(folded)) return win::kFileNotFound;
  std::uint32_t rc = ChangeTracker::ApplyOpenKey(path, access, out);
  // The overlay replaced this key's list: the machine still has the old one.
  if (rc == win::kAccessDenied && IsNt() && replacedLists_.count(folded))
    rc = ChangeTracker::ApplyOpenKey(path, access & ~kRefusedUntilReplaced, out);
  return rc;
}

std::uint32_t CopyOnWritePlatform::QueryValue(RegHandle key, std::string_view name, std::uint8_t* data,
                                              std::uint32_t* size, std::uint32_t* type) {
  if (size == nullptr && data != nullptr) return win::kInvalidParameter;
  const OpenedKey* opened = nullptr;
  if (std::uint32_t rc = Use(key, win::kKeyQueryValue, opened); rc != win::kSuccess)
    return opened == nullptr ? ForwardingPlatform::QueryValue(key, name, data, size, type) : rc;
  const Value* value = FindValue(Fold(opened->path), name);
  if (value == nullptr) return ForwardingPlatform::QueryValue(key, name, data, size, type);
  if (!value->present) {
    if (type != nullptr) *type = 0;
    return win::kFileNotFound;
  }
  return AnswerValueQuery(value->type, value->data, data, size, type);
}

std::uint32_t CopyOnWritePlatform::EnumKey(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) {
  const OpenedKey* opened = nullptr;
  if (name == nullptr || capacity == nullptr || deletedKeys_.empty())
    return ForwardingPlatform::EnumKey(key, index, name, capacity);
  if (std::uint32_t rc = Use(key, win::kKeyEnumerateSubKeys, opened); rc != win::kSuccess)
    return opened == nullptr ? ForwardingPlatform::EnumKey(key, index, name, capacity) : rc;
  const std::string folded = Fold(opened->path);
  std::vector<char> buffer(kNameBuffer);
  std::uint32_t visible = 0;
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t size = kNameBuffer;
    if (std::uint32_t rc = ForwardingPlatform::EnumKey(key, i, buffer.data(), &size); rc != win::kSuccess) return rc;
    const std::string child(buffer.data(), size);
    if (deletedKeys_.count(Child(folded, child))) continue;
    if (visible++ == index) return AnswerEnumName(child, name, capacity, false);
  }
}

std::vector<std::string> CopyOnWritePlatform::VisibleValueNames(RegHandle key, const std::string& foldedKey) {
  std::vector<std::string> names;
  std::vector<char> buffer(kNameBuffer);
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t size = kNameBuffer;
    if (ForwardingPlatform::EnumValue(key, i, buffer.data(), &size) != win::kSuccess) break;
    std::string found(buffer.data(), size);
    if (const Value* value = FindValue(foldedKey, found); value == nullptr || value->present)
      names.push_back(std::move(found));
  }
  // Values the overlay added go where the registry's own order puts them.
  for (const auto& [folded, value] : values_[foldedKey]) {
    if (!value.present) continue;
    auto at = std::lower_bound(names.begin(), names.end(), folded,
                               [](const std::string& a, const std::string& b) { return LowerAscii(a) < b; });
    if (at == names.end() || LowerAscii(*at) != folded) names.insert(at, value.name);
  }
  return names;
}

std::uint32_t CopyOnWritePlatform::EnumValue(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) {
  const OpenedKey* opened = nullptr;
  if (name == nullptr || capacity == nullptr) return ForwardingPlatform::EnumValue(key, index, name, capacity);
  if (std::uint32_t rc = Use(key, win::kKeyQueryValue, opened); rc != win::kSuccess)
    return opened == nullptr ? ForwardingPlatform::EnumValue(key, index, name, capacity) : rc;
  const std::string folded = Fold(opened->path);
  if (!values_.count(folded)) return ForwardingPlatform::EnumValue(key, index, name, capacity);
  const std::vector<std::string> names = VisibleValueNames(key, folded);
  if (index >= names.size()) return win::kNoMoreItems;
  return AnswerEnumName(names[index], name, capacity, true);
}

// --- registry changes, kept in the overlay ---

std::uint32_t CopyOnWritePlatform::ApplySetValue(RegHandle key, std::string_view name, std::uint32_t type,
                                                 const std::uint8_t* data, std::uint32_t size) {
  if (data == nullptr && size > 0) return win::kInvalidParameter;
  const OpenedKey* opened = nullptr;
  if (std::uint32_t rc = Use(key, win::kKeySetValue, opened); rc != win::kSuccess) return rc;
  std::vector<std::uint8_t> bytes;
  if (std::uint32_t rc = ValueToStore(IsNt(), type, data, size, bytes); rc != win::kSuccess) return rc;
  values_[Fold(opened->path)][LowerAscii(name)] = Value{true, std::string(name), type, std::move(bytes)};
  return win::kSuccess;
}

std::uint32_t CopyOnWritePlatform::ApplyDeleteValue(RegHandle key, std::string_view name) {
  const OpenedKey* opened = nullptr;
  if (std::uint32_t rc = Use(key, win::kKeySetValue, opened); rc != win::kSuccess) return rc;
  ValueState now;
  if (!ReadValueState(*this, opened->path, name, now)) return win::kFileNotFound;
  values_[Fold(opened->path)][LowerAscii(name)] = Value{false, std::string(name), 0, {}};
  return win::kSuccess;
}

std::uint32_t CopyOnWritePlatform::ApplyDeleteKey(RegHandle key, std::string_view subkey) {
  const OpenedKey* opened = nullptr;
  if (std::uint32_t rc = Use(key, 0, opened); rc != win::kSuccess) return rc;
  if (!subkey.empty() && subkey.front() == '\\') return win::kBadPathname;
  const std::string path = JoinKeyPath(opened->path, subkey, CodePage());
  const std::string folded = Fold(path);
  if (folded.empty()) return win::kAccessDenied;  // HKLM itself
  RegHandle target = kNoHandle;
  if (std::uint32_t rc = OpenKey(path, win::kKeyEnumerateSubKeys, target); rc != win::kSuccess)
    return rc == win::kAccessDenied ? rc : win::kFileNotFound;
  std::uint32_t rc = win::kSuccess;
  if (IsNt()) {
    char name[2];
    std::uint32_t capacity = sizeof(name);
    // Any answer but "no more" means there is a sub-key.
    if (EnumKey(target, 0, name, &capacity) != win::kNoMoreItems) rc = win::kAccessDenied;
    RegHandle probe = kNoHandle;
    if (rc == win::kSuccess && !replacedLists_.count(folded)) {
      rc = ChangeTracker::ApplyOpenKey(path, win::kDelete, probe);
      if (rc == win::kSuccess) ChangeTracker::ApplyCloseKey(probe);
    }
  }
  CloseKey(target);
  if (rc == win::kSuccess) deletedKeys_.insert(folded);
  return rc;
}

std::uint32_t CopyOnWritePlatform::ApplyReplaceAccessList(RegHandle key) {
  if (!IsNt()) return win::kCallNotImplemented;
  const OpenedKey* opened = nullptr;
  if (std::uint32_t rc = Use(key, win::kWriteDac, opened); rc != win::kSuccess) return rc;
  replacedLists_.insert(Fold(opened->path));
  return win::kSuccess;
}

// --- files ---

CopyOnWritePlatform::File* CopyOnWritePlatform::FindFile(std::string_view path) {
  auto it = files_.find(FoldedFilePath(path, CodePage()));
  return it == files_.end() ? nullptr : &it->second;
}

CopyOnWritePlatform::File& CopyOnWritePlatform::FileFor(std::string_view path) {
  return files_[FoldedFilePath(path, CodePage())];
}

std::uint32_t CopyOnWritePlatform::GetAttributes(std::string_view path, std::uint32_t& error) {
  const File* file = FindFile(path);
  if (file == nullptr) return ForwardingPlatform::GetAttributes(path, error);
  error = file->present ? win::kSuccess : win::kFileNotFound;
  return file->present ? file->attributes : win::kInvalidFileAttributes;
}

std::uint32_t CopyOnWritePlatform::ProbeExisting(std::string_view path) {
  const File* file = FindFile(path);
  if (file == nullptr) return ForwardingPlatform::ProbeExisting(path);
  return file->present ? win::kSuccess : win::kFileNotFound;
}

std::uint32_t CopyOnWritePlatform::ReadWholeFile(std::string_view path, std::vector<std::uint8_t>& out) {
  const File* file = FindFile(path);
  if (file == nullptr || (file->present && !file->hasBytes)) return ForwardingPlatform::ReadWholeFile(path, out);
  out.clear();
  if (!file->present) return win::kFileNotFound;
  out = file->bytes;
  return win::kSuccess;
}

std::uint32_t CopyOnWritePlatform::ApplySetAttributes(std::string_view path, std::uint32_t attributes) {
  std::uint32_t error = 0;
  const std::uint32_t now = GetAttributes(path, error);
  if (now == win::kInvalidFileAttributes) return error;
  if (now & win::kFileAttributeDirectory) return win::kSuccess;
  constexpr std::uint32_t kKept = win::kFileAttributeReadonly | win::kFileAttributeHidden | win::kFileAttributeSystem;
  File& file = FileFor(path);
  file.present = true;
  file.attributes = win::kFileAttributeArchive | (attributes & kKept);
  return win::kSuccess;
}

std::uint32_t CopyOnWritePlatform::ApplyDeleteFile(std::string_view path) {
  std::uint32_t error = 0;
  const std::uint32_t now = GetAttributes(path, error);
  if (now == win::kInvalidFileAttributes) return error;
  if (now & (win::kFileAttributeDirectory | win::kFileAttributeReadonly)) return win::kAccessDenied;
  FileFor(path) = File{};
  return win::kSuccess;
}

std::uint32_t CopyOnWritePlatform::ApplyCopyFile(std::string_view source, std::string_view target, bool failIfExists) {
  std::uint32_t error = 0;
  const std::uint32_t from = GetAttributes(source, error);
  if (from == win::kInvalidFileAttributes) return error;
  if (from & win::kFileAttributeDirectory) return win::kAccessDenied;
  const std::uint32_t to = GetAttributes(target, error);
  const bool exists = to != win::kInvalidFileAttributes;
  if (!exists && error != win::kFileNotFound) return error;
  if (exists) {
    if (FoldedFilePath(source, CodePage()) == FoldedFilePath(target, CodePage())) return win::kSharingViolation;
    if (failIfExists) return win::kFileExists;
    if (to & (win::kFileAttributeDirectory | win::kFileAttributeReadonly)) return win::kAccessDenied;
  }
  std::vector<std::uint8_t> bytes;
  if (ReadWholeFile(source, bytes) != win::kSuccess) return win::kAccessDenied;
  // A new file takes the source's attributes; an existing one keeps its own.
  FileFor(target) = File{true, true, std::move(bytes), exists ? to : from};
  return win::kSuccess;
}

std::uint32_t CopyOnWritePlatform::ApplyWriteWholeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) {
  std::uint32_t error = 0;
  const std::uint32_t now = GetAttributes(path, error);
  const bool exists = now != win::kInvalidFileAttributes;
  if (!exists && error != win::kFileNotFound) return error;
  if (exists && (now & (win::kFileAttributeDirectory | win::kFileAttributeReadonly))) return win::kAccessDenied;
  FileFor(path) = File{true, true, bytes, exists ? now : win::kFileAttributeArchive};
  return win::kSuccess;
}

}  // namespace zr::safety

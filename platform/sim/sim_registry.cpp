#include "platform/sim/sim_registry.h"

#include <algorithm>
#include <cstring>

#include "platform/registry_answers.h"
#include "platform/sim/machine.h"
#include "platform/win_codes.h"

namespace zr::sim {
namespace {

constexpr std::uint32_t kWriteAccess =
    win::kKeySetValue | win::kKeyCreateSubKey | win::kDelete | win::kWriteDac | win::kWriteOwner;
// What a protected key refuses until its own access list is replaced.
constexpr std::uint32_t kProtectedRefused = win::kKeySetValue | win::kKeyCreateSubKey | win::kDelete;

std::string JoinPath(const std::string& base, std::string_view sub, unsigned codePage) {
  std::string path = base;
  for (std::string_view part : SplitRegPath(sub, codePage)) {
    if (!path.empty()) path += '\\';
    path.append(part);
  }
  return path;
}

}  // namespace

bool SimRegistry::IsNt() const { return machine_.Config().version.platformId == win::kPlatformWindowsNt; }

std::uint32_t SimRegistry::Granted(const RegKey& key, const std::string& path) const {
  if (!IsNt()) return win::kKeyAllAccess;
  std::uint32_t granted = win::kKeyAllAccess;
  if (!machine_.Config().admin) granted &= ~kWriteAccess;
  if (machine_.IsProtected(key, path)) granted &= ~kProtectedRefused;
  return granted;
}

std::uint32_t SimRegistry::Use(RegHandle key, std::uint32_t needed, Handle& out) const {
  if (key == kRootHandle) {
    out = Handle{machine_.Tree().RootPtr(), std::string(), Granted(machine_.Tree().Root(), "")};
  } else {
    auto it = handles_.find(key);
    if (it == handles_.end()) return win::kInvalidHandle;
    out = it->second;
  }
  if (out.key->Deleted()) return win::kKeyDeleted;
  if (IsNt() && (out.access & needed) != needed) return win::kAccessDenied;
  return win::kSuccess;
}

std::uint32_t SimRegistry::OpenKey(std::string_view path, std::uint32_t access, RegHandle& out) {
  out = kNoHandle;
  if (!path.empty() && path.front() == '\\') return win::kBadPathname;
  if (SplitRegPath(path, machine_.Tree().CodePage()).empty()) {
    out = kRootHandle;
    return win::kSuccess;
  }
  std::shared_ptr<RegKey> key = machine_.Tree().Find(path);
  if (!key) return win::kFileNotFound;
  std::string normal = JoinPath(std::string(), path, machine_.Tree().CodePage());
  if (IsNt() && (Granted(*key, normal) & access) != access) return win::kAccessDenied;
  const RegHandle handle = next_;
  next_ += 4;
  handles_[handle] = Handle{std::move(key), std::move(normal), access};
  out = handle;
  return win::kSuccess;
}

std::uint32_t SimRegistry::CreateKey(std::string_view path) {
  if (!path.empty() && path.front() == '\\') return win::kBadPathname;
  if (SplitRegPath(path, machine_.Tree().CodePage()).empty()) return win::kBadPathname;
  if (IsNt() && !machine_.Config().admin) return win::kAccessDenied;
  machine_.Tree().Create(path);
  machine_.MarkDirty();
  return win::kSuccess;
}

std::uint32_t SimRegistry::QueryValue(RegHandle key, std::string_view name, std::uint8_t* data, std::uint32_t* size,
                                      std::uint32_t* type) {
  if (size == nullptr && data != nullptr) return win::kInvalidParameter;
  Handle handle;
  if (std::uint32_t rc = Use(key, win::kKeyQueryValue, handle); rc != win::kSuccess) return rc;
  const RegValue* value = handle.key->FindValue(machine_.Tree().Fold(name));
  if (value == nullptr) {
    if (type != nullptr) *type = 0;
    return win::kFileNotFound;
  }
  return AnswerValueQuery(value->type, value->data, data, size, type);
}

std::uint32_t SimRegistry::SetValue(RegHandle key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                                    std::uint32_t size) {
  if (data == nullptr && size > 0) return win::kInvalidParameter;
  Handle handle;
  if (std::uint32_t rc = Use(key, win::kKeySetValue, handle); rc != win::kSuccess) return rc;
  std::vector<std::uint8_t> bytes;
  if (std::uint32_t rc = ValueToStore(IsNt(), type, data, size, bytes); rc != win::kSuccess) return rc;
  handle.key->SetValue(name, machine_.Tree().Fold(name), type, std::move(bytes));
  machine_.MarkDirty();
  return win::kSuccess;
}

std::uint32_t SimRegistry::DeleteValue(RegHandle key, std::string_view name) {
  Handle handle;
  if (std::uint32_t rc = Use(key, win::kKeySetValue, handle); rc != win::kSuccess) return rc;
  if (!handle.key->RemoveValue(machine_.Tree().Fold(name))) return win::kFileNotFound;
  machine_.MarkDirty();
  return win::kSuccess;
}

std::uint32_t SimRegistry::DeleteKey(RegHandle key, std::string_view subkey) {
  Handle handle;
  if (std::uint32_t rc = Use(key, 0, handle); rc != win::kSuccess) return rc;
  if (!subkey.empty() && subkey.front() == '\\') return win::kBadPathname;
  // Walk to the parent of the last component; only that key is deleted.
  std::vector<std::string_view> parts = SplitRegPath(subkey, machine_.Tree().CodePage());
  std::shared_ptr<RegKey> parent;
  std::shared_ptr<RegKey> target = handle.key;
  for (std::string_view part : parts) {
    parent = target;
    target = parent->FindChild(machine_.Tree().Fold(part));
    if (!target) return win::kFileNotFound;
  }
  const std::string path = JoinPath(handle.path, subkey, machine_.Tree().CodePage());
  if (path.empty()) return win::kAccessDenied;  // HKLM itself
  if (!parent) {
    // "" names the handle's own key; find its parent from the root.
    std::vector<std::string_view> names = SplitRegPath(path, machine_.Tree().CodePage());
    names.pop_back();
    std::string parentPath;
    for (std::string_view name : names) parentPath.append(name).append(1, '\\');
    parent = machine_.Tree().Find(parentPath);
    if (!parent) return win::kFileNotFound;
  }
  if (IsNt()) {
    if ((Granted(*target, path) & win::kDelete) == 0) return win::kAccessDenied;
    if (target->ChildCount() > 0) return win::kAccessDenied;
  }
  parent->RemoveChild(target->Fold());
  machine_.MarkDirty();
  return win::kSuccess;
}

std::uint32_t SimRegistry::EnumKey(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) {
  if (name == nullptr || capacity == nullptr) return win::kInvalidParameter;
  Handle handle;
  if (std::uint32_t rc = Use(key, win::kKeyEnumerateSubKeys, handle); rc != win::kSuccess) return rc;
  if (index >= handle.key->ChildCount()) return win::kNoMoreItems;
  return AnswerEnumName(handle.key->ChildAt(index)->Name(), name, capacity, false);
}

std::uint32_t SimRegistry::EnumValue(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) {
  if (name == nullptr || capacity == nullptr) return win::kInvalidParameter;
  Handle handle;
  if (std::uint32_t rc = Use(key, win::kKeyQueryValue, handle); rc != win::kSuccess) return rc;
  if (index >= handle.key->ValueCount()) return win::kNoMoreItems;
  return AnswerEnumName(handle.key->ValueAt(index).name, name, capacity, true);
}

std::uint32_t SimRegistry::CloseKey(RegHandle key) {
  if (key == kRootHandle) return win::kSuccess;
  return handles_.erase(key) == 1 ? win::kSuccess : win::kInvalidHandle;
}

std::uint32_t SimRegistry::CloseRoot() { return win::kSuccess; }

std::uint32_t SimRegistry::ReplaceAccessList(RegHandle key) {
  if (!IsNt()) return win::kCallNotImplemented;
  Handle handle;
  if (std::uint32_t rc = Use(key, win::kWriteDac, handle); rc != win::kSuccess) return rc;
  machine_.MarkAccessListReplaced(*handle.key, handle.path);
  // Handles already open keep the access they were granted, as on Windows.
  return win::kSuccess;
}

}  // namespace zr::sim

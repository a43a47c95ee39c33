#include "safety/change_tracker.h"

#include "platform/win_codes.h"
#include "safety/prior_state.h"
#include "safety/step_names.h"

namespace zr::safety {
namespace {

// The engine's work file, in the Windows folder: its own scratch state.
constexpr char kWorkFileName[] = "tvk_temp.dat";

// Not a refusal: nothing was there to change, or the family has no such
// thing (access lists on 9x).
bool NothingToRefuse(std::uint32_t rc) {
  return rc == win::kFileNotFound || rc == win::kPathNotFound || rc == win::kCallNotImplemented;
}

}  // namespace

ChangeTracker::ChangeTracker(IPlatform& inner) : ForwardingPlatform(inner) {}

unsigned ChangeTracker::CodePage() {
  if (codePage_ == 0) codePage_ = Inner().System().AnsiCodePage();
  return codePage_;
}

bool ChangeTracker::IsWorkFile(std::string_view path) {
  if (workFile_.empty())
    workFile_ = FoldedFilePath(JoinKeyPath(Inner().System().WindowsDirectory(), kWorkFileName, CodePage()), CodePage());
  return FoldedFilePath(path, CodePage()) == workFile_;
}

const ChangeTracker::OpenedKey* ChangeTracker::Opened(RegHandle key) const {
  static const OpenedKey root{"", win::kKeyAllAccess};
  if (key == IRegistry::kRootHandle) return &root;
  auto it = keys_.find(key);
  return it == keys_.end() ? nullptr : &it->second;
}

std::uint32_t ChangeTracker::Note(Change change, const std::vector<std::uint8_t>& written,
                                  const std::function<std::uint32_t()>& apply,
                                  const std::function<void(Change&)>& after) {
  const std::uint32_t rc = apply();
  if (rc == win::kSuccess) {
    if (after) after(change);
    change.outcome = Outcome::kDone;
    change.number = static_cast<int>(changes_.size()) + 1;
    change.step = StepOf(change, written);
    changes_.push_back(std::move(change));
  } else if (!NothingToRefuse(rc)) {
    change.outcome = Outcome::kRefused;
    change.refusal = rc;
    change.step = StepOf(change, written);
    refusals_.push_back(std::move(change));
  }
  return rc;
}

// --- registry ---

std::uint32_t ChangeTracker::OpenKey(std::string_view path, std::uint32_t access, RegHandle& out) {
  const std::uint32_t rc = ApplyOpenKey(path, access, out);
  if (rc == win::kSuccess && out != kRootHandle) keys_[out] = OpenedKey{JoinKeyPath("", path, CodePage()), access};
  return rc;
}

std::uint32_t ChangeTracker::CloseKey(RegHandle key) {
  keys_.erase(key);
  return ApplyCloseKey(key);
}

std::uint32_t ChangeTracker::SetValue(RegHandle key, std::string_view name, std::uint32_t type,
                                      const std::uint8_t* data, std::uint32_t size) {
  const OpenedKey* opened = Opened(key);
  if (opened == nullptr) return ApplySetValue(key, name, type, data, size);
  const std::string path = opened->path;
  Change change;
  change.path = kHklmPrefix + path;
  change.name = std::string(name);
  ValueState before;
  change.kind =
      ReadValueState(View().Registry(), path, name, before) ? ChangeKind::kValueChanged : ChangeKind::kValueCreated;
  if (change.kind == ChangeKind::kValueChanged) change.values.push_back(std::move(before));
  const std::vector<std::uint8_t> written(data, data == nullptr ? data : data + size);
  return Note(
      std::move(change), written, [&] { return ApplySetValue(key, name, type, data, size); },
      [&](Change& done) {
        ValueState now;
        if (ReadValueState(View().Registry(), path, name, now)) {
          done.nowType = now.type;
          done.nowData = std::move(now.data);
        }
      });
}

std::uint32_t ChangeTracker::DeleteValue(RegHandle key, std::string_view name) {
  const OpenedKey* opened = Opened(key);
  if (opened == nullptr) return ApplyDeleteValue(key, name);
  Change change;
  change.kind = ChangeKind::kValueDeleted;
  change.path = kHklmPrefix + opened->path;
  change.name = std::string(name);
  ValueState before;
  if (ReadValueState(View().Registry(), opened->path, name, before)) change.values.push_back(std::move(before));
  return Note(
      std::move(change), {}, [&] { return ApplyDeleteValue(key, name); }, nullptr);
}

std::uint32_t ChangeTracker::DeleteKey(RegHandle key, std::string_view subkey) {
  const OpenedKey* opened = Opened(key);
  if (opened == nullptr) return ApplyDeleteKey(key, subkey);
  const std::string path = JoinKeyPath(opened->path, subkey, CodePage());
  Change change;
  change.kind = ChangeKind::kKeyDeleted;
  change.path = kHklmPrefix + path;
  if (!path.empty()) CaptureKeyTree(View().Registry(), path, change);
  return Note(
      std::move(change), {}, [&] { return ApplyDeleteKey(key, subkey); }, nullptr);
}

std::uint32_t ChangeTracker::ReplaceAccessList(RegHandle key) {
  const OpenedKey* opened = Opened(key);
  if (opened == nullptr) return ApplyReplaceAccessList(key);
  Change change;
  change.kind = ChangeKind::kAccessListReplaced;
  change.path = kHklmPrefix + opened->path;
  return Note(
      std::move(change), {}, [&] { return ApplyReplaceAccessList(key); }, nullptr);
}

// --- files ---

std::uint32_t ChangeTracker::SetAttributes(std::string_view path, std::uint32_t attributes) {
  Change change;
  change.kind = ChangeKind::kAttributesChanged;
  change.path = std::string(path);
  // A folder's attributes are no change to the device's files.
  if (IsWorkFile(path) || !ReadFileState(View().Files(), path, change.file))
    return ApplySetAttributes(path, attributes);
  return Note(
      std::move(change), {}, [&] { return ApplySetAttributes(path, attributes); },
      [&](Change& done) { ReadFileState(View().Files(), path, done.nowFile); });
}

std::uint32_t ChangeTracker::DeleteFile(std::string_view path) {
  Change change;
  change.kind = ChangeKind::kFileDeleted;
  change.path = std::string(path);
  if (IsWorkFile(path)) return ApplyDeleteFile(path);
  ReadFileState(View().Files(), path, change.file);
  return Note(
      std::move(change), {}, [&] { return ApplyDeleteFile(path); }, nullptr);
}

std::uint32_t ChangeTracker::NoteFileWrite(std::string_view target, const std::function<std::uint32_t()>& apply) {
  Change change;
  change.path = std::string(target);
  change.kind =
      ReadFileState(View().Files(), target, change.file) ? ChangeKind::kFileOverwritten : ChangeKind::kFileCreated;
  return Note(std::move(change), {}, apply, [&](Change& done) { ReadFileState(View().Files(), target, done.nowFile); });
}

std::uint32_t ChangeTracker::CopyFile(std::string_view source, std::string_view target, bool failIfExists) {
  if (IsWorkFile(target)) return ApplyCopyFile(source, target, failIfExists);
  return NoteFileWrite(target, [&] { return ApplyCopyFile(source, target, failIfExists); });
}

std::uint32_t ChangeTracker::WriteWholeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) {
  if (IsWorkFile(path)) return ApplyWriteWholeFile(path, bytes);
  return NoteFileWrite(path, [&] { return ApplyWriteWholeFile(path, bytes); });
}

// --- where a change is made: by default, on the machine ---

std::uint32_t ChangeTracker::ApplyOpenKey(std::string_view path, std::uint32_t access, RegHandle& out) {
  return ForwardingPlatform::OpenKey(path, access, out);
}
std::uint32_t ChangeTracker::ApplyCloseKey(RegHandle key) { return ForwardingPlatform::CloseKey(key); }
std::uint32_t ChangeTracker::ApplySetValue(RegHandle key, std::string_view name, std::uint32_t type,
                                           const std::uint8_t* data, std::uint32_t size) {
  return ForwardingPlatform::SetValue(key, name, type, data, size);
}
std::uint32_t ChangeTracker::ApplyDeleteValue(RegHandle key, std::string_view name) {
  return ForwardingPlatform::DeleteValue(key, name);
}
std::uint32_t ChangeTracker::ApplyDeleteKey(RegHandle key, std::string_view subkey) {
  return ForwardingPlatform::DeleteKey(key, subkey);
}
std::uint32_t ChangeTracker::ApplyReplaceAccessList(RegHandle key) {
  return ForwardingPlatform::ReplaceAccessList(key);
}
std::uint32_t ChangeTracker::ApplySetAttributes(std::string_view path, std::uint32_t attributes) {
  return ForwardingPlatform::SetAttributes(path, attributes);
}
std::uint32_t ChangeTracker::ApplyDeleteFile(std::string_view path) { return ForwardingPlatform::DeleteFile(path); }
std::uint32_t ChangeTracker::ApplyCopyFile(std::string_view source, std::string_view target, bool failIfExists) {
  return ForwardingPlatform::CopyFile(source, target, failIfExists);
}
std::uint32_t ChangeTracker::ApplyWriteWholeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) {
  return ForwardingPlatform::WriteWholeFile(path, bytes);
}

}  // namespace zr::safety

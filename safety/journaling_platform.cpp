#include "safety/journaling_platform.h"

#include <cstdio>

#include "platform/win_codes.h"
#include "safety/path_parts.h"
#include "safety/reg_export.h"
#include "safety/step_names.h"
#include "safety/value_read.h"

namespace zr::safety {

namespace {

constexpr char kJournalTxt[] = "journal.txt";
constexpr char kRestoreReg[] = "restore.reg";
// A deleted tree larger than this is not a device's and is not copied whole.
constexpr std::size_t kMostCapturedKeys = 20000;
constexpr int kDeepestCapture = 64;

std::string WithPrefix(std::string_view path) { return kHklmPrefix + std::string(path); }

std::string AttributesText(std::uint32_t attributes) {
  char text[16];
  std::snprintf(text, sizeof(text), "%02x", attributes);
  return text;
}

}  // namespace

JournalingPlatform::JournalingPlatform(IPlatform& inner, JournalFolder& folder)
    : ForwardingPlatform(inner), folder_(folder) {
  codePage_ = inner.System().AnsiCodePage();
  VersionRecord version;
  unicodeReg_ = inner.System().GetVersion(version) && version.platformId == win::kPlatformWindowsNt;
  workFile_ = LowerAscii(inner.System().WindowsDirectory() + "\\tvk_temp.dat");
}

// --- the journal itself ---

void JournalingPlatform::Start() {
  if (started_) return;
  started_ = true;
  const std::string header = RegExport(codePage_, unicodeReg_).Header();
  if (!folder_.Append(kJournalTxt, JournalHeader(codePage_)) || !folder_.Append(kRestoreReg, header))
    Stop("the journal folder " + folder_.Root() + " cannot be written");
}

void JournalingPlatform::Stop(std::string_view why) {
  if (stopped_) return;
  stopped_ = true;
  folder_.Append(kJournalTxt, IncompleteLine(why));  // may fail as well; the restore sees a cut journal then
}

void JournalingPlatform::AddToRestoreReg(const Change& change, std::string& out) {
  const RegExport reg(codePage_, unicodeReg_);
  const auto id = [](std::string_view key, std::string_view name) { return LowerAscii(key) + "\n" + LowerAscii(name); };
  if (change.kind == ChangeKind::kValueCreated) {
    recordedValues_.insert(id(change.path, change.name));  // it was not there: nothing to put back
    return;
  }
  const auto sectionFor = [&](const std::string& key, bool always) {
    std::vector<const ValueState*> values;
    for (const ValueState& value : change.values)
      if (LowerAscii(value.key) == LowerAscii(key) && recordedValues_.insert(id(value.key, value.name)).second)
        values.push_back(&value);
    if (always || !values.empty()) out += reg.Section(key, values);
  };
  if (change.kind == ChangeKind::kKeyDeleted) {
    for (const std::string& key : change.keys) sectionFor(key, true);
  } else if (!change.values.empty()) {
    sectionFor(change.path, false);
  }
}

bool JournalingPlatform::Begin(Change& change) {
  Start();
  if (stopped_) return false;
  change.number = ++number_;
  if (!change.file.stored.empty()) {
    const bool written = folder_.Write(change.file.stored, capturedBytes_);
    capturedBytes_.clear();
    if (!written) {
      Stop("the file " + change.path + " could not be copied into the journal");
      return false;
    }
  }
  std::string reg;
  AddToRestoreReg(change, reg);
  if ((!reg.empty() && !folder_.Append(kRestoreReg, reg)) || !folder_.Append(kJournalTxt, ChangeLines(change))) {
    Stop("the journal could not be written at change " + std::to_string(change.number));
    return false;
  }
  return true;
}

std::uint32_t JournalingPlatform::Guard(Change change, const std::vector<std::uint8_t>& written,
                                        const std::function<std::uint32_t()>& apply,
                                        const std::function<std::string(Change&)>& after) {
  change.step = StepOf(change, written);
  if (!Begin(change)) return apply();
  const std::uint32_t rc = apply();
  std::string became;
  if (rc == win::kSuccess) {
    change.outcome = Outcome::kDone;
    became = after(change);
  } else {
    change.outcome = Outcome::kRefused;
    change.refusal = rc;
  }
  if (!folder_.Append(kJournalTxt, OutcomeLines(change, became)))
    Stop("the outcome of change " + std::to_string(change.number) + " could not be written");
  return rc;
}

// --- reading the state before a change ---

bool JournalingPlatform::KeyPath(RegHandle key, std::string_view subkey, std::string& out) {
  std::string base;
  if (key != kRootHandle) {
    const auto it = keys_.find(key);
    if (it == keys_.end()) return false;
    base = it->second;
  }
  std::vector<std::string_view> parts = PathParts(base, codePage_);
  for (std::string_view part : PathParts(subkey, codePage_)) parts.push_back(part);
  out = JoinParts(parts, '\\');
  return true;
}

JournalingPlatform::Capture JournalingPlatform::ReadValue(const std::string& key, std::string_view name,
                                                          ValueState& out) {
  bool keyMissing = false;
  const std::uint32_t rc = ReadWholeValue(Inner().Registry(), key, name, out.type, out.data, keyMissing);
  out.key = WithPrefix(key);
  out.name = std::string(name);
  return rc == win::kSuccess ? Capture::kCaptured : rc == win::kFileNotFound ? Capture::kAbsent : Capture::kFailed;
}

JournalingPlatform::Capture JournalingPlatform::CaptureTree(const std::string& root, Change& change) {
  IRegistry& registry = Inner().Registry();
  struct Pending {
    std::string path;
    int depth;
  };
  std::vector<Pending> stack = {{root, 0}};
  while (!stack.empty()) {
    const Pending at = stack.back();
    stack.pop_back();
    RegHandle handle = kNoHandle;
    const std::uint32_t opened = registry.OpenKey(at.path, win::kKeyRead, handle);
    if (opened == win::kFileNotFound && at.path == root) return Capture::kAbsent;
    if (opened != win::kSuccess || change.keys.size() >= kMostCapturedKeys || at.depth > kDeepestCapture) {
      if (opened == win::kSuccess) registry.CloseKey(handle);
      return Capture::kFailed;
    }
    change.keys.push_back(WithPrefix(at.path));
    std::vector<std::string> names, children;
    std::uint32_t rc = win::kSuccess;
    for (std::uint32_t i = 0; rc == win::kSuccess; ++i) {
      char name[16384];
      std::uint32_t capacity = sizeof(name);
      rc = registry.EnumValue(handle, i, name, &capacity);
      if (rc == win::kSuccess) names.emplace_back(name, capacity);
    }
    for (std::uint32_t i = 0; rc == win::kNoMoreItems; ++i) {
      char name[1024];
      std::uint32_t capacity = sizeof(name);
      const std::uint32_t got = registry.EnumKey(handle, i, name, &capacity);
      if (got == win::kSuccess) children.push_back(at.path + "\\" + std::string(name, capacity));
      if (got != win::kSuccess) rc = got == win::kNoMoreItems ? win::kSuccess : got;
    }
    registry.CloseKey(handle);
    if (rc != win::kSuccess) return Capture::kFailed;
    for (const std::string& name : names) {
      ValueState value;
      if (ReadValue(at.path, name, value) != Capture::kCaptured) return Capture::kFailed;
      change.values.push_back(std::move(value));
    }
    // Parents come before their children; siblings keep the registry's order.
    for (std::size_t i = children.size(); i-- > 0;) stack.push_back({children[i], at.depth + 1});
  }
  return Capture::kCaptured;
}

std::uint32_t JournalingPlatform::Unrecorded(std::uint32_t rc, std::string_view what) {
  // Missing when looked at, yet changed: the look was wrong (a failing
  // disk or registry), and the journal lacks what was there.
  if (rc == win::kSuccess) Stop(std::string(what) + " was changed although the journal found it missing");
  return rc;
}

bool JournalingPlatform::IsWorkFile(std::string_view path) { return LowerAscii(path) == workFile_; }

std::string JournalingPlatform::StoredName(std::string_view path) {
  std::vector<std::string_view> parts = PathParts(path, codePage_);
  std::string name = "files";
  for (std::string_view part : parts) name += "/" + std::string(part == parts.front() ? part.substr(0, 1) : part);
  std::string unique = name;
  for (int n = 2; !storedNames_.insert(LowerAscii(unique)).second; ++n) unique = name + ".~" + std::to_string(n);
  return unique;
}

JournalingPlatform::Capture JournalingPlatform::CaptureFile(std::string_view path, Change& change) {
  std::uint32_t error = 0;
  const std::uint32_t attributes = Inner().Files().GetAttributes(path, error);
  if (attributes == win::kInvalidFileAttributes && error != win::kFileNotFound && error != win::kPathNotFound)
    return Capture::kFailed;
  if (attributes == win::kInvalidFileAttributes || (attributes & win::kFileAttributeDirectory)) return Capture::kAbsent;
  if (Inner().Files().ReadWholeFile(path, capturedBytes_) != win::kSuccess) return Capture::kFailed;
  change.file = {attributes, StoredName(path), capturedBytes_.size(), HashBytes(capturedBytes_)};
  return Capture::kCaptured;
}

FileState JournalingPlatform::FileNow(std::string_view path) {
  FileState now;
  std::uint32_t error = 0;
  now.attributes = Inner().Files().GetAttributes(path, error);
  std::vector<std::uint8_t> bytes;
  if (Inner().Files().ReadWholeFile(path, bytes) == win::kSuccess) {
    now.size = bytes.size();
    now.hash = HashBytes(bytes);
  }
  return now;
}

// --- the registry ---

std::uint32_t JournalingPlatform::OpenKey(std::string_view path, std::uint32_t access, RegHandle& out) {
  const std::uint32_t rc = ForwardingPlatform::OpenKey(path, access, out);
  if (rc == win::kSuccess && out != kRootHandle) keys_[out] = JoinParts(PathParts(path, codePage_), '\\');
  return rc;
}

std::uint32_t JournalingPlatform::CloseKey(RegHandle key) {
  const std::uint32_t rc = ForwardingPlatform::CloseKey(key);
  if (rc == win::kSuccess) keys_.erase(key);
  return rc;
}

std::uint32_t JournalingPlatform::SetValue(RegHandle key, std::string_view name, std::uint32_t type,
                                           const std::uint8_t* data, std::uint32_t size) {
  const auto apply = [&] { return ForwardingPlatform::SetValue(key, name, type, data, size); };
  if (stopped_) return apply();
  Change change;
  if (!KeyPath(key, {}, change.path)) {
    Stop("a value was written through a key the journal did not see opened");
    return apply();
  }
  ValueState before;
  const Capture captured = ReadValue(change.path, name, before);
  if (captured == Capture::kFailed) {
    Stop("the value " + std::string(name) + " of " + WithPrefix(change.path) + " could not be read");
    return apply();
  }
  change.kind = captured == Capture::kCaptured ? ChangeKind::kValueChanged : ChangeKind::kValueCreated;
  if (captured == Capture::kCaptured) change.values.push_back(before);
  const std::string keyPath = change.path;
  change.path = WithPrefix(keyPath);
  change.name = std::string(name);
  const std::vector<std::uint8_t> written(data, data == nullptr ? data : data + size);
  return Guard(std::move(change), written, apply, [&](Change& done) {
    ValueState now;
    ReadValue(keyPath, name, now);
    done.nowType = now.type;
    done.nowData = now.data;
    return done.kind == ChangeKind::kValueCreated ? "created" : "written";
  });
}

std::uint32_t JournalingPlatform::DeleteValue(RegHandle key, std::string_view name) {
  const auto apply = [&] { return ForwardingPlatform::DeleteValue(key, name); };
  if (stopped_) return apply();
  Change change;
  change.kind = ChangeKind::kValueDeleted;
  if (!KeyPath(key, {}, change.path)) {
    Stop("a value was deleted through a key the journal did not see opened");
    return apply();
  }
  ValueState before;
  const Capture captured = ReadValue(change.path, name, before);
  if (captured == Capture::kAbsent)
    return Unrecorded(apply(), "the value " + std::string(name) + " of " + WithPrefix(change.path));
  if (captured == Capture::kFailed) {
    Stop("the value " + std::string(name) + " of " + WithPrefix(change.path) + " could not be read");
    return apply();
  }
  change.values.push_back(before);
  change.path = WithPrefix(change.path);
  change.name = std::string(name);
  return Guard(std::move(change), {}, apply, [](Change&) { return "deleted"; });
}

std::uint32_t JournalingPlatform::DeleteKey(RegHandle key, std::string_view subkey) {
  const auto apply = [&] { return ForwardingPlatform::DeleteKey(key, subkey); };
  if (stopped_) return apply();
  Change change;
  change.kind = ChangeKind::kKeyDeleted;
  std::string path;
  if (!KeyPath(key, subkey, path)) {
    Stop("a key was deleted through a key the journal did not see opened");
    return apply();
  }
  if (path.empty()) return apply();  // HKLM itself is never deleted
  const Capture captured = CaptureTree(path, change);
  if (captured == Capture::kAbsent) return Unrecorded(apply(), "the key " + WithPrefix(path));
  if (captured == Capture::kFailed) {
    Stop("the key tree " + WithPrefix(path) + " could not be read whole");
    return apply();
  }
  change.path = WithPrefix(path);
  return Guard(std::move(change), {}, apply, [](Change& done) {
    return "deleted (" + std::to_string(done.keys.size()) + " keys, " + std::to_string(done.values.size()) + " values)";
  });
}

std::uint32_t JournalingPlatform::ReplaceAccessList(RegHandle key) {
  const auto apply = [&] { return ForwardingPlatform::ReplaceAccessList(key); };
  if (stopped_) return apply();
  Change change;
  change.kind = ChangeKind::kAccessListReplaced;
  if (!KeyPath(key, {}, change.path)) {
    Stop("an access list was replaced through a key the journal did not see opened");
    return apply();
  }
  change.path = WithPrefix(change.path);
  return Guard(std::move(change), {}, apply,
               [](Change&) { return "replaced by interactive users: read, administrators: full access"; });
}

// --- files ---

std::uint32_t JournalingPlatform::SetAttributes(std::string_view path, std::uint32_t attributes) {
  const auto apply = [&] { return ForwardingPlatform::SetAttributes(path, attributes); };
  if (stopped_ || IsWorkFile(path)) return apply();
  std::uint32_t error = 0;
  const std::uint32_t before = Inner().Files().GetAttributes(path, error);
  if (before == win::kInvalidFileAttributes) return Unrecorded(apply(), "the attributes of " + std::string(path));
  if (before & win::kFileAttributeDirectory) return apply();
  Change change;
  change.kind = ChangeKind::kAttributesChanged;
  change.path = std::string(path);
  change.file.attributes = before;
  return Guard(std::move(change), {}, apply, [&](Change& done) {
    std::uint32_t ignored = 0;
    done.nowFile.attributes = Inner().Files().GetAttributes(path, ignored);
    return "attributes " + AttributesText(done.nowFile.attributes);
  });
}

std::uint32_t JournalingPlatform::DeleteFile(std::string_view path) {
  const auto apply = [&] { return ForwardingPlatform::DeleteFile(path); };
  if (stopped_ || IsWorkFile(path)) return apply();
  Change change;
  change.kind = ChangeKind::kFileDeleted;
  change.path = std::string(path);
  const Capture captured = CaptureFile(path, change);
  if (captured == Capture::kAbsent) return Unrecorded(apply(), "the file " + change.path);
  if (captured == Capture::kFailed) {
    Stop("the file " + change.path + " could not be read");
    return apply();
  }
  return Guard(std::move(change), {}, apply, [](Change&) { return "deleted"; });
}

std::uint32_t JournalingPlatform::FileWrite(std::string_view target, const std::function<std::uint32_t()>& apply,
                                            bool failIfExists) {
  if (stopped_ || IsWorkFile(target)) return apply();
  Change change;
  change.kind = ChangeKind::kFileOverwritten;
  change.path = std::string(target);
  const Capture captured = CaptureFile(target, change);
  if (captured == Capture::kFailed) {
    Stop("the file " + change.path + " could not be read");
    return apply();
  }
  if (captured == Capture::kCaptured && failIfExists) return apply();  // refused by the call itself
  if (captured == Capture::kAbsent) change.kind = ChangeKind::kFileCreated;
  return Guard(std::move(change), {}, apply, [&](Change& done) {
    done.nowFile = FileNow(target);
    return done.kind == ChangeKind::kFileCreated ? "created" : "overwritten";
  });
}

std::uint32_t JournalingPlatform::CopyFile(std::string_view source, std::string_view target, bool failIfExists) {
  return FileWrite(
      target, [&] { return ForwardingPlatform::CopyFile(source, target, failIfExists); }, failIfExists);
}

std::uint32_t JournalingPlatform::WriteWholeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) {
  return FileWrite(
      path, [&] { return ForwardingPlatform::WriteWholeFile(path, bytes); }, false);
}

}  // namespace zr::safety

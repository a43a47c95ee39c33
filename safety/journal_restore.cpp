#include "safety/journal_restore.h"

#include "platform/win_codes.h"
#include "safety/journal_record.h"
#include "safety/path_parts.h"
#include "safety/value_read.h"

namespace zr::safety {

namespace {

constexpr std::size_t kLargestJournal = 64u << 20;
constexpr std::uint32_t kComparedAttributes =
    win::kFileAttributeReadonly | win::kFileAttributeHidden | win::kFileAttributeSystem | win::kFileAttributeArchive;

bool StartsWithHklm(std::string_view path) {
  const std::string_view prefix = kHklmPrefix;
  return path.size() > prefix.size() && LowerAscii(path.substr(0, prefix.size())) == LowerAscii(prefix);
}

std::string_view BelowHklm(std::string_view path) { return path.substr(sizeof(kHklmPrefix) - 1); }

bool IsBelow(std::string_view key, std::string_view root) {
  const std::string k = LowerAscii(key), r = LowerAscii(root);
  return k == r || (k.size() > r.size() && k.compare(0, r.size(), r) == 0 && k[r.size()] == '\\');
}

// "X:\a\b": a drive, then names that neither climb nor hide another path.
bool IsPlainWindowsPath(std::string_view path, unsigned codePage) {
  if (path.size() < 4 || !((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') || path[1] != ':' || path[2] != '\\')
    return false;
  const std::vector<std::string_view> parts = PathParts(path.substr(3), codePage);
  if (parts.empty()) return false;
  for (std::string_view part : parts) {
    if (part == "." || part == "..") return false;
    for (unsigned char c : part)
      if (c < 0x20 || c == '/' || c == ':') return false;
  }
  return true;
}

// files/<drive>/<names>, possibly with the ".~N" of a second copy.
bool IsCopyOf(std::string_view stored, std::string_view path, unsigned codePage) {
  std::string expected = "files/" + std::string(1, path[0]);
  for (std::string_view part : PathParts(path.substr(3), codePage)) expected += "/" + std::string(part);
  if (LowerAscii(stored.substr(0, expected.size())) != LowerAscii(expected)) return false;
  const std::string_view rest = stored.substr(expected.size());
  if (rest.empty()) return true;
  if (rest.size() < 3 || rest.substr(0, 2) != ".~") return false;
  for (char c : rest.substr(2))
    if (c < '0' || c > '9') return false;
  return true;
}

bool IsRegistryKind(ChangeKind kind) {
  return kind == ChangeKind::kKeyDeleted || kind == ChangeKind::kValueDeleted || kind == ChangeKind::kValueChanged ||
         kind == ChangeKind::kValueCreated || kind == ChangeKind::kAccessListReplaced;
}

// Empty when the change stays where a journal of ours may reach.
std::string Hostile(const Change& change, unsigned codePage) {
  const std::string at = "change " + std::to_string(change.number) + ": ";
  if (IsRegistryKind(change.kind)) {
    if (!StartsWithHklm(change.path)) return at + "registry path outside HKEY_LOCAL_MACHINE: " + change.path;
    for (const std::string& key : change.keys)
      if (!IsBelow(key, change.path)) return std::string(at).append("key outside the deleted tree: ").append(key);
    for (const ValueState& value : change.values)
      if (!StartsWithHklm(value.key) || !IsBelow(value.key, change.path))
        return at + "value outside the changed key: " + value.key;
    return {};
  }
  if (!IsPlainWindowsPath(change.path, codePage)) return at + "file path not allowed: " + change.path;
  if (!change.file.stored.empty() && !IsCopyOf(change.file.stored, change.path, codePage))
    return at + "copy outside its place in files/: " + change.file.stored;
  return {};
}

// Details a change of its kind cannot do without.
bool Whole(const Change& change) {
  switch (change.kind) {
    case ChangeKind::kKeyDeleted:
      return !change.keys.empty() && IsBelow(change.keys.front(), change.path) &&
             LowerAscii(change.keys.front()) == LowerAscii(change.path);
    case ChangeKind::kValueDeleted:
    case ChangeKind::kValueChanged:
      return change.values.size() == 1;
    case ChangeKind::kFileDeleted:
    case ChangeKind::kFileOverwritten:
      return !change.file.stored.empty();
    default:
      return true;
  }
}

class Restorer {
 public:
  Restorer(const JournalFolder& journal, IPlatform& machine, IKeyCreator& keys, RestoreReport& report)
      : journal_(journal), registry_(machine.Registry()), files_(machine.Files()), keys_(keys), report_(report) {}

  void Undo(const Change& change) {
    switch (change.kind) {
      case ChangeKind::kKeyDeleted:
        return UndoKeyDeletion(change);
      case ChangeKind::kValueDeleted:
        return UndoValueDeletion(change);
      case ChangeKind::kValueChanged:
        return UndoValueChange(change);
      case ChangeKind::kValueCreated:
        return UndoValueCreation(change);
      case ChangeKind::kAccessListReplaced:
        ++accessLists_;
        return;
      case ChangeKind::kFileDeleted:
      case ChangeKind::kFileOverwritten:
        return UndoFileChange(change);
      case ChangeKind::kFileCreated:
        return UndoFileCreation(change);
      case ChangeKind::kAttributesChanged:
        return UndoAttributes(change);
    }
  }

 private:
  enum class Found { kValue, kNoValue, kNoKey, kError };

  Found Read(std::string_view key, std::string_view name, std::uint32_t& type, std::vector<std::uint8_t>& data) {
    bool keyMissing = false;
    const std::uint32_t rc = ReadWholeValue(registry_, BelowHklm(key), name, type, data, keyMissing);
    if (rc == win::kSuccess) return Found::kValue;
    return keyMissing ? Found::kNoKey : rc == win::kFileNotFound ? Found::kNoValue : Found::kError;
  }

  bool KeyExists(std::string_view key) {
    RegHandle handle = IRegistry::kNoHandle;
    if (registry_.OpenKey(BelowHklm(key), win::kKeyQueryValue, handle) != win::kSuccess) return false;
    registry_.CloseKey(handle);
    return true;
  }

  bool Write(const ValueState& value) {
    if (keys_.CreateKey(BelowHklm(value.key)) != win::kSuccess) return false;
    RegHandle handle = IRegistry::kNoHandle;
    std::uint32_t opened = registry_.OpenKey(BelowHklm(value.key), win::kKeySetValue, handle);
    if (opened == win::kAccessDenied && GiveAccess(value.key))
      opened = registry_.OpenKey(BelowHklm(value.key), win::kKeySetValue, handle);
    if (opened != win::kSuccess) return false;
    const std::uint32_t rc = registry_.SetValue(handle, value.name, value.type, value.data.data(),
                                                static_cast<std::uint32_t>(value.data.size()));
    registry_.CloseKey(handle);
    return rc == win::kSuccess;
  }

  // A key the run deleted had its access list replaced first, so that it
  // could be; the key put back gets that list again.
  bool GiveAccess(std::string_view key) {
    RegHandle handle = IRegistry::kNoHandle;
    if (registry_.OpenKey(BelowHklm(key), win::kWriteDac, handle) != win::kSuccess) return false;
    const bool replaced = registry_.ReplaceAccessList(handle) == win::kSuccess;
    registry_.CloseKey(handle);
    return replaced;
  }

  static std::string ValueName(const Change& change) {
    return "value " + (change.name.empty() ? std::string("(default)") : change.name) + " of " + change.path;
  }

  void UndoKeyDeletion(const Change& change) {
    if (KeyExists(change.path)) {
      report_.left.push_back("key " + change.path + " exists again");
      return;
    }
    bool ok = true;
    for (const std::string& key : change.keys) ok = keys_.CreateKey(BelowHklm(key)) == win::kSuccess && ok;
    for (const ValueState& value : change.values) ok = Write(value) && ok;
    (ok ? report_.restored : report_.failed)
        .push_back("key " + change.path + " (" + std::to_string(change.keys.size()) + " keys, " +
                   std::to_string(change.values.size()) + " values)" + (ok ? "" : ": not every part could be written"));
  }

  void UndoValueDeletion(const Change& change) {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    const Found found = Read(change.path, change.name, type, data);
    if (found == Found::kValue) return report_.left.push_back(ValueName(change) + " exists again");
    (Write(change.values[0]) ? report_.restored : report_.failed).push_back(ValueName(change));
  }

  void UndoValueChange(const Change& change) {
    const ValueState& before = change.values[0];
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    if (Read(change.path, change.name, type, data) != Found::kValue)
      return report_.left.push_back(ValueName(change) + " is gone since the run");
    if (LowerAscii(change.name) == "comdb" && type == before.type) {
      // The ports the run released are taken again; ports taken or freed
      // since stay as they are.
      std::vector<std::uint8_t> merged = data;
      for (std::size_t i = 0; i < merged.size() && i < before.data.size() && i < change.nowData.size(); ++i)
        merged[i] = static_cast<std::uint8_t>(merged[i] | (before.data[i] & ~change.nowData[i]));
      if (merged == data) return report_.left.push_back(ValueName(change) + ": no released port to take back");
      ValueState back = before;
      back.data = merged;
      (Write(back) ? report_.restored : report_.failed).push_back(ValueName(change) + " (" + change.step + ")");
      return;
    }
    if (type == before.type && data == before.data) return;  // as it was already
    if (change.outcome != Outcome::kDone || type != change.nowType || data != change.nowData)
      return report_.left.push_back(ValueName(change) + " changed since the run");
    (Write(before) ? report_.restored : report_.failed).push_back(ValueName(change));
  }

  void UndoValueCreation(const Change& change) {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    if (Read(change.path, change.name, type, data) != Found::kValue) return;
    if (change.outcome != Outcome::kDone || type != change.nowType || data != change.nowData)
      return report_.left.push_back(ValueName(change) + " changed since the run created it");
    RegHandle handle = IRegistry::kNoHandle;
    bool ok = registry_.OpenKey(BelowHklm(change.path), win::kKeySetValue, handle) == win::kSuccess;
    if (ok) {
      ok = registry_.DeleteValue(handle, change.name) == win::kSuccess;
      registry_.CloseKey(handle);
    }
    (ok ? report_.restored : report_.failed).push_back(ValueName(change) + ", which the run created");
  }

  // The file's bytes now; false when it is missing.
  bool Current(std::string_view path, std::uint32_t& attributes, std::vector<std::uint8_t>& bytes) {
    std::uint32_t error = 0;
    attributes = files_.GetAttributes(path, error);
    if (attributes == win::kInvalidFileAttributes) return false;
    if (files_.ReadWholeFile(path, bytes) != win::kSuccess) bytes.clear();
    return true;
  }

  bool HoldsWhatTheRunLeft(const Change& change, const std::vector<std::uint8_t>& bytes) {
    return change.outcome == Outcome::kDone && bytes.size() == change.nowFile.size &&
           HashBytes(bytes) == change.nowFile.hash;
  }

  void UndoFileChange(const Change& change) {
    std::uint32_t attributes = 0;
    std::vector<std::uint8_t> now;
    const bool exists = Current(change.path, attributes, now);
    if (change.kind == ChangeKind::kFileDeleted && exists)
      return report_.left.push_back("file " + change.path + " exists again");
    if (change.kind == ChangeKind::kFileOverwritten && (!exists || !HoldsWhatTheRunLeft(change, now)))
      return report_.left.push_back("file " + change.path + " changed since the run");
    std::vector<std::uint8_t> bytes;
    if (!journal_.Read(change.file.stored, bytes, win::kLargestWholeFile) || bytes.size() != change.file.size ||
        HashBytes(bytes) != change.file.hash)
      return report_.failed.push_back("file " + change.path + ": its copy " + change.file.stored +
                                      " is missing or damaged");
    if (exists) files_.SetAttributes(change.path, win::kFileAttributeNormal);
    bool ok = files_.WriteWholeFile(change.path, bytes) == win::kSuccess;
    ok = ok && files_.SetAttributes(change.path, change.file.attributes) == win::kSuccess;
    (ok ? report_.restored : report_.failed).push_back("file " + change.path);
  }

  void UndoFileCreation(const Change& change) {
    std::uint32_t attributes = 0;
    std::vector<std::uint8_t> now;
    if (!Current(change.path, attributes, now)) return;
    if (!HoldsWhatTheRunLeft(change, now))
      return report_.left.push_back("file " + change.path + " changed since the run created it");
    files_.SetAttributes(change.path, win::kFileAttributeNormal);
    (files_.DeleteFile(change.path) == win::kSuccess ? report_.restored : report_.failed)
        .push_back("file " + change.path + ", which the run created");
  }

  void UndoAttributes(const Change& change) {
    std::uint32_t error = 0;
    const std::uint32_t now = files_.GetAttributes(change.path, error);
    if (now == win::kInvalidFileAttributes || change.outcome != Outcome::kDone ||
        (now & kComparedAttributes) != (change.nowFile.attributes & kComparedAttributes) ||
        (now & kComparedAttributes) == (change.file.attributes & kComparedAttributes))
      return;
    (files_.SetAttributes(change.path, change.file.attributes) == win::kSuccess ? report_.restored : report_.failed)
        .push_back("attributes of " + change.path);
  }

  const JournalFolder& journal_;
  IRegistry& registry_;
  IFiles& files_;
  IKeyCreator& keys_;
  RestoreReport& report_;

 public:
  int accessLists_ = 0;
};

void Section(std::string& out, const char* title, const std::vector<std::string>& lines, std::size_t most) {
  if (lines.empty()) return;
  out += std::string(title) + " (" + std::to_string(lines.size()) + "):\n";
  for (std::size_t i = 0; i < lines.size() && i < most; ++i) out += "  " + lines[i] + "\n";
  if (lines.size() > most) out += "  ... and " + std::to_string(lines.size() - most) + " more\n";
}

}  // namespace

std::string RestoreReport::Text(std::size_t most) const {
  std::string out;
  if (refused) out += "The journal was refused; nothing was changed.\n";
  Section(out, "Put back", restored, most);
  Section(out, "Left as it is now", left, most);
  Section(out, "Could not be put back", failed, most);
  Section(out, "Not put back by any journal", notes, most);
  if (out.empty()) out = "The journal holds no change to put back.\n";
  return out;
}

RestoreReport RestoreJournal(const JournalFolder& journal, IPlatform& machine, IKeyCreator& keys) {
  RestoreReport report;
  std::vector<std::uint8_t> bytes;
  if (!journal.Read("journal.txt", bytes, kLargestJournal)) {
    report.failed.push_back(journal.Root() + ": journal.txt is missing, unreadable or too large");
    return report;
  }
  const ParsedJournal parsed = ParseJournal(bytes);
  if (!parsed.headerOk) {
    report.refused = true;
    report.failed.push_back(journal.Root() + ": journal.txt is not a journal of this program");
    return report;
  }
  const unsigned codePage = machine.System().AnsiCodePage();
  for (const Change& change : parsed.changes)
    if (std::string why = Hostile(change, codePage); !why.empty()) {
      report.refused = true;
      report.failed.push_back(why);
      return report;
    }
  report.failed = parsed.damage;
  if (parsed.incomplete)
    report.failed.push_back("the journal stopped recording during the run: later changes are not in it");
  Restorer restorer(journal, machine, keys, report);
  // Newest first, so each change finds the state the next one left.
  for (std::size_t i = parsed.changes.size(); i-- > 0;) {
    const Change& change = parsed.changes[i];
    if (change.outcome == Outcome::kRefused) continue;  // the change never happened
    if (!Whole(change)) {
      report.failed.push_back("change " + std::to_string(change.number) + ": its record is incomplete");
      continue;
    }
    restorer.Undo(change);
  }
  if (restorer.accessLists_ > 0)
    report.notes.push_back("the access lists of " + std::to_string(restorer.accessLists_) +
                           " keys stay as the run replaced them (journal.txt lists them)");
  return report;
}

}  // namespace zr::safety

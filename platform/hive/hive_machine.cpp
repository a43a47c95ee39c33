#include "platform/hive/hive_machine.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <system_error>
#include <unordered_set>

#include "platform/sim/host_path.h"
#include "platform/sim/reg_tree.h"
#include "platform/text/codepage.h"

namespace fs = std::filesystem;

namespace zr::hive {

// A key of the engine's registry and the hive node it was read from, with the
// node's values as the hive held them.
struct HiveMachine::Mapped {
  std::shared_ptr<sim::RegKey> key;
  HiveFile* file = nullptr;
  NodeId node = 0;
  int parent = -1;  // index in mapped_; -1 for a hive's root
  std::vector<HiveValue> values;
  std::vector<bool> shown;  // per value: whether the engine sees it
};

namespace {

bool SameAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

fs::path FindEntry(const fs::path& folder, std::string_view name) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    if (SameAscii(entry.path().filename().string(), name)) return entry.path();
  return {};
}

fs::path FindHive(const fs::path& windows, std::string_view name) {
  const fs::path system32 = FindEntry(windows, "system32");
  const fs::path config = system32.empty() ? fs::path() : FindEntry(system32, "config");
  return config.empty() ? fs::path() : FindEntry(config, name);
}

std::u16string Utf16Of(const std::vector<std::uint8_t>& bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return text;
}

std::vector<std::uint8_t> BytesOf(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

// A name in the code page, or nothing when the code page cannot hold it
// exactly (the ANSI calls could not name it either).
bool ToCodePage(const std::string& utf8, unsigned codePage, std::string& out) {
  out = text::FromUtf8(utf8, codePage);
  return text::ToUtf8(out, codePage) == utf8;
}

// What RegQueryValueExA gives for a stored value, and whether that is exact.
bool DataToCodePage(const HiveValue& value, unsigned codePage, std::vector<std::uint8_t>& out) {
  if (!IsTextKind(value.type)) {
    out = value.data;
    return true;
  }
  const std::u16string text = Utf16Of(value.data);
  const std::string bytes = text::FromUtf16(text, codePage);
  out.assign(bytes.begin(), bytes.end());
  return value.data.size() % 2 == 0 && text::ToUtf16(bytes, codePage) == text;
}

// What RegSetValueExA stores for data given in the code page.
HiveValue FromEngine(const sim::RegValue& value, unsigned codePage) {
  HiveValue out;
  out.name = text::ToUtf8(value.name, codePage);
  out.type = value.type;
  if (IsTextKind(value.type)) {
    out.data = BytesOf(
        text::ToUtf16(std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size()), codePage));
  } else {
    out.data = value.data;
  }
  return out;
}

const HiveValue* FindValue(const std::vector<HiveValue>& values, std::string_view name) {
  for (const HiveValue& v : values)
    if (SameAscii(v.name, name)) return &v;
  return nullptr;
}

std::string TextValue(const HiveValue* value) {
  if (value == nullptr || !IsTextKind(value->type)) return {};
  std::u16string text = Utf16Of(value->data);
  text.erase(std::find(text.begin(), text.end(), u'\0'), text.end());
  return text::Utf8FromUtf16(text);
}

// The partition must take the commit; an ntfs-3g mount of a hibernated
// Windows is read-only, and finding that out at the end would waste the run.
bool CheckWritable(const fs::path& hive, std::string& error) {
  struct statvfs fsInfo {};
  if (::statvfs(hive.parent_path().c_str(), &fsInfo) == 0 && (fsInfo.f_flag & ST_RDONLY) != 0) {
    error = hive.parent_path().string() +
            ": the partition is mounted read-only, so nothing could be changed. Windows that was hibernated "
            "or fast-started is mounted read-only by ntfs-3g: start Windows, shut it down fully, and mount "
            "the partition read-write";
    return false;
  }
  if (::access(hive.c_str(), W_OK) != 0 || ::access(hive.parent_path().c_str(), W_OK) != 0) {
    error = hive.string() + ": cannot be written (no write permission on the hive or its folder)";
    return false;
  }
  return true;
}

}  // namespace

fs::path FindWindowsFolder(const fs::path& mount, std::string& error) {
  std::error_code ec;
  if (!fs::is_directory(mount, ec)) {
    error = mount.string() + ": no such folder (give the mount point of the Windows partition)";
    return {};
  }
  for (const char* name : {"WINDOWS", "WINNT"}) {
    fs::path windows = FindEntry(mount, name);
    if (windows.empty()) continue;
    if (!FindHive(windows, "SYSTEM").empty()) return windows;
    if (!FindEntry(windows, "SYSTEM.DAT").empty()) {
      error = (windows / "SYSTEM.DAT").string() +
              ": this is Windows 98 or Me, whose registry files no maintained library reads or writes; "
              "only Windows 2000 and XP can be repaired from Linux";
      return {};
    }
  }
  error = mount.string() + ": no Windows 2000/XP found (a WINDOWS or WINNT folder with system32/config/SYSTEM)";
  return {};
}

HiveMachine::~HiveMachine() = default;

std::unique_ptr<HiveMachine> HiveMachine::Open(const fs::path& mount, std::string& error) {
  std::unique_ptr<HiveMachine> m(new HiveMachine());
  m->windowsFolder_ = FindWindowsFolder(mount, error);
  if (m->windowsFolder_.empty()) return nullptr;
  const fs::path systemPath = FindHive(m->windowsFolder_, "SYSTEM");
  const fs::path softwarePath = FindHive(m->windowsFolder_, "SOFTWARE");
  if (softwarePath.empty()) {
    error = (m->windowsFolder_ / "system32" / "config" / "SOFTWARE").string() + ": missing";
    return nullptr;
  }
  if (!CheckWritable(systemPath, error) || !CheckWritable(softwarePath, error)) return nullptr;
  m->system_ = HiveFile::Open(systemPath, true, error);
  if (!m->system_) return nullptr;
  m->software_ = HiveFile::Open(softwarePath, true, error);
  if (!m->software_) return nullptr;

  // Select\Current names the control set Windows starts with.
  const NodeId select = m->system_->Child(m->system_->Root(), "Select");
  const auto selectValues = select != 0 ? m->system_->Values(select) : std::vector<HiveValue>();
  const HiveValue* current = FindValue(selectValues, "Current");
  if (current == nullptr || current->type != 4 || current->data.size() != 4) {
    error = systemPath.string() + ": Select\\Current is missing, so the current control set is unknown";
    return nullptr;
  }
  m->currentControlSet_ = current->data[0] | (current->data[1] << 8) | (current->data[2] << 16) |
                          (static_cast<unsigned>(current->data[3]) << 24);
  char controlSet[32];
  std::snprintf(controlSet, sizeof controlSet, "ControlSet%03u", m->currentControlSet_ % 1000);
  const NodeId set = m->system_->Child(m->system_->Root(), controlSet);
  if (set == 0) {
    error = systemPath.string() + ": Select\\Current names " + controlSet + ", which the hive does not hold";
    return nullptr;
  }
  // The ANSI code page the installed Windows runs its ANSI calls in.
  NodeId nls = set;
  for (const char* name : {"Control", "Nls", "CodePage"}) nls = nls != 0 ? m->system_->Child(nls, name) : 0;
  if (nls != 0) {
    const auto values = m->system_->Values(nls);
    const unsigned acp = static_cast<unsigned>(std::atoi(TextValue(FindValue(values, "ACP")).c_str()));
    if (acp != 0 && text::IsSupportedCodePage(acp)) m->codePage_ = acp;
  }

  sim::RegTree tree(m->codePage_);
  auto systemKey = tree.Create("SYSTEM");
  auto softwareKey = tree.Create("SOFTWARE");
  m->Import(*m->system_, m->system_->Root(), systemKey, -1, true);
  m->Import(*m->software_, m->software_->Root(), softwareKey, -1, false);

  sim::MachineConfig config;
  const auto* versionKey = tree.Find("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion").get();
  auto text = [&](const char* name) {
    const sim::RegValue* v = versionKey != nullptr ? versionKey->FindValue(tree.Fold(name)) : nullptr;
    if (v == nullptr || !IsTextKind(v->type)) return std::string();
    std::string s(v->data.begin(), v->data.end());
    return s.substr(0, s.find('\0'));
  };
  const std::string version = text("CurrentVersion");
  unsigned major = 0;
  unsigned minor = 0;
  if (std::sscanf(version.c_str(), "%u.%u", &major, &minor) != 2) {
    error = softwarePath.string() + ": Microsoft\\Windows NT\\CurrentVersion has no CurrentVersion";
    return nullptr;
  }
  config.version.major = major;
  config.version.minor = minor;
  config.version.build = static_cast<std::uint32_t>(std::strtoul(text("CurrentBuildNumber").c_str(), nullptr, 10));
  config.version.platformId = 2;
  config.version.csd = text("CSDVersion").substr(0, 127);
  const std::string windowsName = m->windowsFolder_.filename().string();
  const fs::path system32 = FindEntry(m->windowsFolder_, "system32");
  config.windowsDir = "C:\\" + text::FromUtf8(windowsName, m->codePage_);
  config.systemDir = config.windowsDir + "\\" + text::FromUtf8(system32.filename().string(), m->codePage_);
  config.currentDir = "C:\\";
  config.codePage = m->codePage_;
  config.admin = true;
  const auto files = sim::HostPathResolver::ForDriveC(mount, m->codePage_, config.currentDir);
  m->machine_ = sim::SimMachine::Assemble(std::move(config), std::move(tree), files);
  return m;
}

bool HiveMachine::Import(HiveFile& file, NodeId node, const std::shared_ptr<sim::RegKey>& key, int parent,
                         bool systemRoot) {
  const int index = static_cast<int>(mapped_.size());
  Mapped entry;
  entry.key = key;
  entry.file = &file;
  entry.node = node;
  entry.parent = parent;
  entry.values = file.Values(node);
  entry.shown.assign(entry.values.size(), false);
  for (std::size_t i = 0; i < entry.values.size(); ++i) {
    const HiveValue& value = entry.values[i];
    std::string name;
    std::vector<std::uint8_t> data;
    if (!ToCodePage(value.name, codePage_, name) || !DataToCodePage(value, codePage_, data)) continue;
    std::u16string fold = sim::FoldName(name, codePage_);
    if (key->FindValue(fold) != nullptr) continue;  // two names the engine could not tell apart
    key->SetValue(name, std::move(fold), value.type, std::move(data));
    entry.shown[i] = true;
  }
  mapped_.push_back(std::move(entry));

  char currentSet[32];
  std::snprintf(currentSet, sizeof currentSet, "ControlSet%03u", currentControlSet_ % 1000);
  for (NodeId child : file.Children(node)) {
    std::string name = file.Name(child);
    if (systemRoot) {
      // Only the current control set is shown, as CurrentControlSet; the
      // others (last known good) are left alone.
      if (SameAscii(name, currentSet)) {
        name = "CurrentControlSet";
      } else if (SameAscii(name.substr(0, 10), "ControlSet") || SameAscii(name, "CurrentControlSet")) {
        continue;
      }
    }
    std::string cpName;
    if (!ToCodePage(name, codePage_, cpName)) continue;
    std::u16string fold = sim::FoldName(cpName, codePage_);
    if (key->FindChild(fold) != nullptr) continue;
    Import(file, child, key->AddChild(cpName, std::move(fold)), index, false);
  }
  return true;
}

bool HiveMachine::WriteBack(std::string& error) {
  std::unordered_set<const sim::RegKey*> known;
  for (const Mapped& m : mapped_) known.insert(m.key.get());
  for (const Mapped& m : mapped_) {
    if (m.key->Deleted()) {
      // The topmost deleted key takes its sub-tree along, as on Windows.
      const bool parentDeleted = m.parent >= 0 && mapped_[static_cast<std::size_t>(m.parent)].key->Deleted();
      if (m.parent >= 0 && !parentDeleted && !m.file->DeleteNode(m.node, error)) return false;
      continue;
    }
    std::vector<HiveValue> wanted;
    std::vector<bool> taken(m.key->ValueCount(), false);
    bool changed = false;
    for (std::size_t i = 0; i < m.values.size(); ++i) {
      const HiveValue& old = m.values[i];
      if (!m.shown[i]) {
        wanted.push_back(old);
        continue;
      }
      std::string name;
      ToCodePage(old.name, codePage_, name);
      const std::u16string fold = sim::FoldName(name, codePage_);
      std::size_t j = 0;
      while (j < m.key->ValueCount() && m.key->ValueAt(j).fold != fold) ++j;
      if (j == m.key->ValueCount()) {
        changed = true;  // deleted by the run
        continue;
      }
      taken[j] = true;
      const sim::RegValue& now = m.key->ValueAt(j);
      std::vector<std::uint8_t> before;
      DataToCodePage(old, codePage_, before);
      if (now.type == old.type && now.data == before) {
        wanted.push_back(old);
      } else {
        wanted.push_back(FromEngine(now, codePage_));
        wanted.back().name = old.name;
        changed = true;
      }
    }
    for (std::size_t j = 0; j < m.key->ValueCount(); ++j) {
      if (taken[j]) continue;
      wanted.push_back(FromEngine(m.key->ValueAt(j), codePage_));
      changed = true;
    }
    if (changed && !m.file->SetValues(m.node, wanted, error)) return false;
    // Keys the run added (a device plugged in while it ran).
    for (std::size_t c = 0; c < m.key->ChildCount(); ++c) {
      const auto& child = m.key->ChildAt(c);
      if (known.count(child.get()) != 0) continue;
      Mapped added;
      added.key = child;
      added.file = m.file;
      added.node = m.file->AddChild(m.node, text::ToUtf8(child->Name(), codePage_), error);
      if (added.node == 0 || !AddNewKeys(added, error)) return false;
    }
  }
  return true;
}

bool HiveMachine::AddNewKeys(const Mapped& parent, std::string& error) {
  std::vector<HiveValue> values;
  for (std::size_t j = 0; j < parent.key->ValueCount(); ++j)
    values.push_back(FromEngine(parent.key->ValueAt(j), codePage_));
  if (!values.empty() && !parent.file->SetValues(parent.node, values, error)) return false;
  for (std::size_t c = 0; c < parent.key->ChildCount(); ++c) {
    Mapped child;
    child.key = parent.key->ChildAt(c);
    child.file = parent.file;
    child.node = parent.file->AddChild(parent.node, text::ToUtf8(child.key->Name(), codePage_), error);
    if (child.node == 0 || !AddNewKeys(child, error)) return false;
  }
  return true;
}

bool HiveMachine::Commit(std::string& error) {
  if (!machine_->Dirty()) return true;
  if (!WriteBack(error)) return false;
  return system_->Commit(error) && software_->Commit(error);
}

}  // namespace zr::hive

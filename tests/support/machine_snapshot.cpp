#include "tests/support/machine_snapshot.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace zr::testing {
namespace {

constexpr char kWorkFileName[] = "tvk_temp.dat";
constexpr std::uint32_t kRegSz = 1;

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

std::string Hex(const std::vector<std::uint8_t>& data) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (i > 0) out += ',';
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 15];
  }
  return out;
}

std::string Hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
  return text;
}

// The type of a value, unless it is the one it had or a string.
std::string Typed(std::uint32_t type, std::uint32_t usual) {
  return type == usual ? "" : "(type " + std::to_string(type) + ") ";
}

bool ReadOnly(const fs::path& path) {
  return (fs::status(path).permissions() & fs::perms::owner_write) == fs::perms::none;
}

}  // namespace

MachineSnapshot MachineSnapshot::Take(const sim::RegTree& tree, const fs::path& image) {
  MachineSnapshot snapshot;
  snapshot.codePage_ = tree.CodePage();
  snapshot.AddKeys(tree.Root(), "", u"");
  const fs::path drive = image / "drive_c";
  if (fs::exists(drive)) {
    for (const auto& entry : fs::recursive_directory_iterator(drive)) {
      if (!entry.is_regular_file()) continue;
      if (AsciiLower(entry.path().filename().string()) == kWorkFileName) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      File file;
      file.path = entry.path().lexically_relative(drive).generic_string();
      file.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      file.readOnly = ReadOnly(entry.path());
      snapshot.files_[FoldFile(file.path)] = std::move(file);
    }
  }
  return snapshot;
}

void MachineSnapshot::AddKeys(const sim::RegKey& key, const std::string& path, const std::u16string& fold) {
  Key& entry = keys_[fold];
  entry.path = path;
  for (const sim::AccessEntry& ace : key.AccessList())
    entry.accessList += "(" + ace.sid + " " + Hex32(ace.mask) + " " + std::to_string(ace.flags) + ")";
  for (std::size_t i = 0; i < key.ValueCount(); ++i) {
    const sim::RegValue& value = key.ValueAt(i);
    entry.values[value.fold] = Value{value.name, value.type, value.data};
  }
  for (std::size_t i = 0; i < key.ChildCount(); ++i) {
    const sim::RegKey& child = *key.ChildAt(i);
    AddKeys(child, path.empty() ? child.Name() : path + "\\" + child.Name(),
            fold.empty() ? child.Fold() : fold + u"\\" + child.Fold());
  }
}

std::u16string MachineSnapshot::FoldPath(std::string_view path) const {
  std::u16string fold;
  for (std::string_view name : sim::SplitRegPath(path, codePage_)) {
    if (!fold.empty()) fold += u'\\';
    fold += sim::FoldName(name, codePage_);
  }
  return fold;
}

std::string MachineSnapshot::FoldFile(std::string_view path) {
  std::string fold = AsciiLower(path);
  if (fold.size() >= 3 && fold.compare(0, 3, "c:\\") == 0) fold.erase(0, 3);
  for (char& c : fold) {
    if (c == '\\') c = '/';
  }
  return fold;
}

MachineSnapshot& MachineSnapshot::WithoutKeyTree(std::string_view path) {
  const std::u16string fold = FoldPath(path);
  if (fold.empty() || keys_.erase(fold) == 0)
    throw std::logic_error("expected key is not in the snapshot: " + std::string(path));
  const std::u16string below = fold + u'\\';
  for (auto it = keys_.lower_bound(below); it != keys_.end() && it->first.starts_with(below);) it = keys_.erase(it);
  return *this;
}

MachineSnapshot& MachineSnapshot::WithoutValue(std::string_view keyPath, std::string_view name) {
  auto key = keys_.find(FoldPath(keyPath));
  if (key == keys_.end() || key->second.values.erase(sim::FoldName(name, codePage_)) == 0)
    throw std::logic_error("expected value is not in the snapshot: " + std::string(keyPath) + " [" + std::string(name) +
                           "]");
  return *this;
}

MachineSnapshot& MachineSnapshot::WithValue(std::string_view keyPath, std::string_view name, std::uint32_t type,
                                            std::vector<std::uint8_t> data) {
  auto key = keys_.find(FoldPath(keyPath));
  if (key == keys_.end()) throw std::logic_error("expected key is not in the snapshot: " + std::string(keyPath));
  Value& value = key->second.values[sim::FoldName(name, codePage_)];
  // A value that exists keeps its first spelling, as the registry keeps it.
  if (value.name.empty()) value.name = name;
  value.type = type;
  value.data = std::move(data);
  return *this;
}

MachineSnapshot& MachineSnapshot::WithoutFile(std::string_view path) {
  if (files_.erase(FoldFile(path)) == 0)
    throw std::logic_error("expected file is not in the snapshot: " + std::string(path));
  return *this;
}

MachineSnapshot& MachineSnapshot::WithToolAccessList(std::string_view keyPath) {
  auto key = keys_.find(FoldPath(keyPath));
  if (key == keys_.end()) throw std::logic_error("expected key is not in the snapshot: " + std::string(keyPath));
  key->second.accessList = "(S-1-5-4 0x20019 0)(S-1-5-32-544 0xf003f 0)";
  return *this;
}

std::string MachineSnapshot::DifferencesFrom(const MachineSnapshot& actual) const {
  std::ostringstream out;
  // A key that comes or goes counts once, with everything below it: only
  // one whose parent stays is listed.
  const auto parentIn = [](const std::u16string& fold, const auto& keys) {
    const std::size_t cut = fold.rfind(u'\\');
    return cut == std::u16string::npos || keys.count(fold.substr(0, cut)) != 0;
  };
  for (const auto& [fold, key] : keys_) {
    auto other = actual.keys_.find(fold);
    if (other == actual.keys_.end()) {
      if (parentIn(fold, actual.keys_)) out << "- key " << key.path << "\n";
      continue;
    }
    if (other->second.accessList != key.accessList)
      out << "~ access " << key.path << " = " << other->second.accessList << "\n";
    for (const auto& [valueFold, value] : key.values) {
      auto now = other->second.values.find(valueFold);
      if (now == other->second.values.end())
        out << "- value " << key.path << " [" << value.name << "]\n";
      else if (!(now->second == value))
        out << "~ value " << key.path << " [" << value.name << "] = " << Typed(now->second.type, value.type)
            << Hex(now->second.data) << "\n";
    }
    for (const auto& [valueFold, value] : other->second.values) {
      if (key.values.count(valueFold) == 0)
        out << "+ value " << key.path << " [" << value.name << "] = " << Typed(value.type, kRegSz) << Hex(value.data)
            << "\n";
    }
  }
  for (const auto& [fold, key] : actual.keys_) {
    if (keys_.count(fold) == 0 && parentIn(fold, keys_)) out << "+ key " << key.path << "\n";
  }
  for (const auto& [fold, file] : files_) {
    auto other = actual.files_.find(fold);
    if (other == actual.files_.end())
      out << "- file " << file.path << "\n";
    else if (other->second.bytes != file.bytes)
      out << "~ file " << file.path << "\n";
    else if (other->second.readOnly != file.readOnly)
      out << "~ read-only " << file.path << " = " << other->second.readOnly << "\n";
  }
  for (const auto& [fold, file] : actual.files_) {
    if (files_.count(fold) == 0) out << "+ file " << file.path << "\n";
  }
  return out.str();
}

}  // namespace zr::testing

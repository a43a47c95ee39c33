// The layout (all numbers little-endian; offsets of cells count from the
// first bin, 4096 bytes into the file):
//
// base block, 4096 bytes
//   0x000 "regf"             signature
//   0x004 1, 0x008 1         primary and secondary sequence numbers; equal
//                            means the last write was completed
//   0x00C 0                  last written (FILETIME)
//   0x014 1, 0x018 3         format version 1.3, as Windows XP writes
//   0x01C 0                  primary file (not a log)
//   0x020 1                  direct memory load
//   0x024 0x20               root key cell: the first cell of the first bin
//   0x028 4096               size of the bins
//   0x02C 1                  clustering factor
//   0x030 64 bytes           file name (UTF-16, optional): empty
//   0x1FC                    checksum: XOR of the 127 words before it
// bin, 4096 bytes
//   0x00 "hbin", 0x04 0 (offset of this bin), 0x08 4096 (its size),
//   0x0C..0x1F zero (reserved, timestamp, spare); cells from 0x20.
// cells: a 32-bit size (negative while in use, a multiple of 8), then data.
//   0x20 root key "nk": flags 0x2C (hive entry, no delete, ASCII name),
//        no sub-keys, values or class (lists at 0xFFFFFFFF), security at
//        the "sk" cell, name "ROOT".
//   then "sk": links to itself (the only one), one reference, and a
//        self-relative security descriptor: owner Administrators, group
//        SYSTEM, a DACL granting both full access, inherited by new keys.
//   then one free cell up to the end of the bin.
#include "tests/support/empty_hive.h"

#include <hivex.h>
#include <strings.h>

#include <algorithm>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/sim/machine.h"
#include "platform/sim/reg_tree.h"
#include "platform/text/codepage.h"

namespace fs = std::filesystem;

namespace zr::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t Get32(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// S-1-5-32-544 (Administrators) and S-1-5-18 (SYSTEM).
const Bytes kAdministrators = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
const Bytes kSystem = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};

Bytes Ace(const Bytes& sid) {
  Bytes ace(8, 0);
  ace[0] = 0;     // ACCESS_ALLOWED_ACE_TYPE
  ace[1] = 0x02;  // CONTAINER_INHERIT_ACE: new keys take it
  Put16(ace, 2, static_cast<std::uint16_t>(8 + sid.size()));
  Put32(ace, 4, 0xF003F);  // KEY_ALL_ACCESS
  ace.insert(ace.end(), sid.begin(), sid.end());
  return ace;
}

Bytes SecurityDescriptor() {
  Bytes dacl(8, 0);
  const Bytes a = Ace(kAdministrators);
  const Bytes s = Ace(kSystem);
  dacl[0] = 2;  // ACL_REVISION
  Put16(dacl, 2, static_cast<std::uint16_t>(8 + a.size() + s.size()));
  Put16(dacl, 4, 2);
  dacl.insert(dacl.end(), a.begin(), a.end());
  dacl.insert(dacl.end(), s.begin(), s.end());
  Bytes sd(20, 0);
  sd[0] = 1;                                                              // revision
  Put16(sd, 2, 0x8004);                                                   // self-relative, DACL present
  Put32(sd, 4, 20);                                                       // owner
  Put32(sd, 8, static_cast<std::uint32_t>(20 + kAdministrators.size()));  // group
  Put32(sd, 16, static_cast<std::uint32_t>(20 + kAdministrators.size() + kSystem.size()));  // DACL
  sd.insert(sd.end(), kAdministrators.begin(), kAdministrators.end());
  sd.insert(sd.end(), kSystem.begin(), kSystem.end());
  sd.insert(sd.end(), dacl.begin(), dacl.end());
  return sd;
}

std::size_t CellSize(std::size_t data) { return (4 + data + 7) / 8 * 8; }

}  // namespace

bool WriteEmptyHive(const fs::path& path, std::string& error) {
  Bytes file(8192, 0);
  const std::size_t bin = 4096;
  const std::string name = "ROOT";
  const std::size_t nkOffset = 0x20;
  const std::size_t nkSize = CellSize(76 + name.size());
  const std::size_t skOffset = nkOffset + nkSize;
  const Bytes sd = SecurityDescriptor();
  const std::size_t skSize = CellSize(20 + sd.size());
  const std::size_t freeOffset = skOffset + skSize;

  // Base block.
  file[0] = 'r', file[1] = 'e', file[2] = 'g', file[3] = 'f';
  Put32(file, 0x04, 1);
  Put32(file, 0x08, 1);
  Put32(file, 0x14, 1);
  Put32(file, 0x18, 3);
  Put32(file, 0x1C, 0);
  Put32(file, 0x20, 1);
  Put32(file, 0x24, static_cast<std::uint32_t>(nkOffset));
  Put32(file, 0x28, 4096);
  Put32(file, 0x2C, 1);
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < 0x1FC; i += 4) sum ^= Get32(file, i);
  if (sum == 0xFFFFFFFF) sum = 0xFFFFFFFE;
  if (sum == 0) sum = 1;
  Put32(file, 0x1FC, sum);

  // The bin.
  file[bin] = 'h', file[bin + 1] = 'b', file[bin + 2] = 'i', file[bin + 3] = 'n';
  Put32(file, bin + 4, 0);
  Put32(file, bin + 8, 4096);

  // Root key.
  std::size_t at = bin + nkOffset;
  Put32(file, at, static_cast<std::uint32_t>(-static_cast<std::int32_t>(nkSize)));
  at += 4;
  file[at] = 'n', file[at + 1] = 'k';
  Put16(file, at + 2, 0x2C);
  Put32(file, at + 0x10, 0);           // parent
  Put32(file, at + 0x14, 0);           // sub-keys
  Put32(file, at + 0x18, 0);           // volatile sub-keys
  Put32(file, at + 0x1C, 0xFFFFFFFF);  // sub-key list
  Put32(file, at + 0x20, 0xFFFFFFFF);  // volatile sub-key list
  Put32(file, at + 0x24, 0);           // values
  Put32(file, at + 0x28, 0xFFFFFFFF);  // value list
  Put32(file, at + 0x2C, static_cast<std::uint32_t>(skOffset));
  Put32(file, at + 0x30, 0xFFFFFFFF);  // class name
  Put16(file, at + 0x48, static_cast<std::uint16_t>(name.size()));
  Put16(file, at + 0x4A, 0);
  for (std::size_t i = 0; i < name.size(); ++i) file[at + 0x4C + i] = static_cast<std::uint8_t>(name[i]);

  // Security cell.
  at = bin + skOffset;
  Put32(file, at, static_cast<std::uint32_t>(-static_cast<std::int32_t>(skSize)));
  at += 4;
  file[at] = 's', file[at + 1] = 'k';
  Put32(file, at + 4, static_cast<std::uint32_t>(skOffset));  // next
  Put32(file, at + 8, static_cast<std::uint32_t>(skOffset));  // previous
  Put32(file, at + 12, 1);                                    // references
  Put32(file, at + 16, static_cast<std::uint32_t>(sd.size()));
  std::copy(sd.begin(), sd.end(), file.begin() + static_cast<std::ptrdiff_t>(at + 20));

  // The rest of the bin is one free cell.
  Put32(file, bin + freeOffset, static_cast<std::uint32_t>(4096 - freeOffset));

  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (!out) {
    error = path.string() + ": cannot be written";
    return false;
  }
  return true;
}

}  // namespace zr::testing

namespace zr::testing {
namespace {

std::vector<std::uint8_t> HiveData(const sim::RegValue& value, unsigned codePage) {
  if (value.type != 1 && value.type != 2 && value.type != 7) return value.data;
  const std::u16string text =
      text::ToUtf16(std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size()), codePage);
  std::vector<std::uint8_t> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

bool CopyKey(hive_h* h, hive_node_h node, const sim::RegKey& key, unsigned codePage, bool systemRoot,
             std::string& error) {
  std::vector<std::string> names;
  std::vector<std::vector<std::uint8_t>> data;
  std::vector<hive_set_value> values;
  for (std::size_t i = 0; i < key.ValueCount(); ++i) {
    names.push_back(text::ToUtf8(key.ValueAt(i).name, codePage));
    data.push_back(HiveData(key.ValueAt(i), codePage));
  }
  for (std::size_t i = 0; i < key.ValueCount(); ++i)
    values.push_back({const_cast<char*>(names[i].c_str()), static_cast<hive_type>(key.ValueAt(i).type), data[i].size(),
                      reinterpret_cast<char*>(data[i].data())});
  if (!values.empty() && hivex_node_set_values(h, node, values.size(), values.data(), 0) != 0) {
    error = "values of " + key.Name() + " could not be set";
    return false;
  }
  for (std::size_t i = 0; i < key.ChildCount(); ++i) {
    const sim::RegKey& child = *key.ChildAt(i);
    std::string name = text::ToUtf8(child.Name(), codePage);
    if (systemRoot && name == "CurrentControlSet") name = "ControlSet001";
    const hive_node_h added = hivex_node_add_child(h, node, name.c_str());
    if (added == 0) {
      error = "key " + name + " could not be added";
      return false;
    }
    if (!CopyKey(h, added, child, codePage, false, error)) return false;
  }
  return true;
}

void SetText(sim::RegTree& tree, const std::string& path, const std::string& name, const std::string& text) {
  auto key = tree.Create(path);
  if (key->FindValue(tree.Fold(name)) != nullptr) return;
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  key->SetValue(name, tree.Fold(name), 1, std::move(data));
}

}  // namespace

bool FillHive(const fs::path& hive, const sim::RegKey& from, bool systemHive, unsigned codePage, std::string& error) {
  hive_h* h = hivex_open(hive.c_str(), HIVEX_OPEN_WRITE);
  if (h == nullptr) {
    error = hive.string() + ": the hive library refuses the empty hive";
    return false;
  }
  bool ok = CopyKey(h, hivex_root(h), from, codePage, systemHive, error);
  if (ok && hivex_commit(h, nullptr, 0) != 0) {
    error = hive.string() + ": cannot be committed";
    ok = false;
  }
  hivex_close(h);
  return ok;
}

void AddInstalledWindowsKeys(sim::SimMachine& machine) {
  sim::RegTree& tree = machine.Tree();
  const auto& config = machine.Config();
  auto select = tree.Create("SYSTEM\\Select");
  if (select->FindValue(tree.Fold("Current")) == nullptr)
    select->SetValue("Current", tree.Fold("Current"), 4, {1, 0, 0, 0});
  const std::string version = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  SetText(tree, version, "CurrentVersion",
          std::to_string(config.version.major) + "." + std::to_string(config.version.minor));
  SetText(tree, version, "CurrentBuildNumber", std::to_string(config.version.build & 0xFFFF));
  if (!config.version.csd.empty()) SetText(tree, version, "CSDVersion", config.version.csd);
  SetText(tree, "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP", std::to_string(config.codePage));
  machine.MarkDirty();
}

bool MountFromImage(sim::SimMachine& image, const fs::path& mount, std::string& error) {
  std::error_code ec;
  fs::create_directories(mount, ec);
  fs::copy(image.Folder() / "drive_c", mount, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
  if (ec) {
    error = "cannot copy the image's files: " + ec.message();
    return false;
  }
  const auto& config = image.Config();
  // The system folder as the image spells it, each folder found without
  // regard to case, so that no second spelling of it is made.
  fs::path folder = mount;
  std::string system = text::ToUtf8(config.systemDir.substr(3), config.codePage) + "\\config";
  for (std::size_t start = 0; start <= system.size();) {
    const std::size_t end = std::min(system.find('\\', start), system.size());
    const std::string part = system.substr(start, end - start);
    fs::path next = folder / part;
    for (const auto& entry : fs::directory_iterator(folder, ec))
      if (strcasecmp(entry.path().filename().c_str(), part.c_str()) == 0) next = entry.path();
    fs::create_directories(next, ec);
    folder = next;
    start = end + 1;
  }
  for (const char* name : {"SYSTEM", "SOFTWARE"}) {
    const auto root = image.Tree().Find(name);
    if (!root || !WriteEmptyHive(folder / name, error) ||
        !FillHive(folder / name, *root, std::string(name) == "SYSTEM", config.codePage, error))
      return error.empty() ? (error = std::string("the image has no HKLM\\") + name, false) : false;
  }
  return true;
}

}  // namespace zr::testing

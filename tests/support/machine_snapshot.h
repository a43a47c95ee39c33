// The whole state of a simulated machine that an engine operation may
// change: every registry key with its values, and every file of drive C:
// with its bytes and its read-only attribute. A test takes one snapshot
// before and one after the operation, applies to the first the changes it
// expects, and compares: anything else that changed is listed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/reg_tree.h"

namespace zr::testing {

class MachineSnapshot {
 public:
  // The registry from `tree`; the files from `image`/drive_c, without the
  // engine's own work file.
  static MachineSnapshot Take(const sim::RegTree& tree, const std::filesystem::path& image);

  // Expected changes, by paths as the engine writes them (registry paths
  // below HKLM, file paths below C:\), letter case ignored. Each throws
  // std::logic_error when what it names is not in the snapshot, so that an
  // expectation never silently names nothing.
  MachineSnapshot& WithoutKeyTree(std::string_view path);
  MachineSnapshot& WithoutValue(std::string_view keyPath, std::string_view name);
  MachineSnapshot& WithValue(std::string_view keyPath, std::string_view name, std::uint32_t type,
                             std::vector<std::uint8_t> data);
  MachineSnapshot& WithoutFile(std::string_view path);
  // The key got the list the tool writes on NT: interactive users read,
  // administrators everything, neither inherited.
  MachineSnapshot& WithToolAccessList(std::string_view keyPath);

  // One line per difference of `actual` from this snapshot; empty when
  // both are the same.
  std::string DifferencesFrom(const MachineSnapshot& actual) const;

 private:
  struct Value {
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    bool operator==(const Value&) const = default;
  };
  struct Key {
    std::string path;  // as spelled in the registry
    std::map<std::u16string, Value> values;
    std::string accessList;  // "" while the key has the list it came with
    bool operator==(const Key&) const = default;
  };
  struct File {
    std::string path;  // below drive_c, '/'-separated, as on disk
    std::string bytes;
    bool readOnly = false;
    bool operator==(const File&) const = default;
  };

  std::u16string FoldPath(std::string_view path) const;
  static std::string FoldFile(std::string_view path);
  void AddKeys(const sim::RegKey& key, const std::string& path, const std::u16string& fold);

  unsigned codePage_ = 932;
  std::map<std::u16string, Key> keys_;
  std::map<std::string, File> files_;
};

}  // namespace zr::testing

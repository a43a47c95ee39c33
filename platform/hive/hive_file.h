// One registry hive file of an installed Windows NT, through libhivex: opened
// once, changed in memory, committed once. The handle type of the library
// stays in this folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zr::hive {

// A node of the hive (libhivex's hive_node_h, an offset into the file).
using NodeId = std::size_t;

struct HiveValue {
  std::string name;  // UTF-8, as the library gives it; "" is the default value
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;  // as stored: text kinds in UTF-16LE
};

class HiveFile {
 public:
  // nullptr with `error` naming the file when the library refuses it
  // (corrupt, truncated, not an NT hive).
  static std::unique_ptr<HiveFile> Open(const std::filesystem::path& path, bool writable, std::string& error);
  ~HiveFile();
  HiveFile(const HiveFile&) = delete;
  HiveFile& operator=(const HiveFile&) = delete;

  const std::filesystem::path& Path() const { return path_; }

  NodeId Root() const;
  std::string Name(NodeId node) const;  // UTF-8
  std::vector<NodeId> Children(NodeId node) const;
  // 0 when there is no child of that name (ASCII case ignored).
  NodeId Child(NodeId node, const std::string& utf8Name) const;
  std::vector<HiveValue> Values(NodeId node) const;

  // Changes, in memory until Commit. False with `error` on failure.
  bool DeleteNode(NodeId node, std::string& error);
  NodeId AddChild(NodeId parent, const std::string& utf8Name, std::string& error);
  bool SetValues(NodeId node, const std::vector<HiveValue>& values, std::string& error);
  bool Changed() const { return changed_; }

  // Writes the changed hive to a temporary file beside the original,
  // flushes it, keeps the original as <name>.zrbak (once: an older backup is
  // never replaced) and renames the new file over the original. Nothing is
  // renamed unless the new file was written whole.
  bool Commit(std::string& error);

 private:
  HiveFile() = default;
  std::string Failure(const char* what) const;

  std::filesystem::path path_;
  void* hive_ = nullptr;  // hive_h*
  bool changed_ = false;
};

// UTF-16LE bytes from and to UTF-8, as the library wants names.
bool IsTextKind(std::uint32_t type);

}  // namespace zr::hive

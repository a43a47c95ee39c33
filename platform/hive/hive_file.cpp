#include "platform/hive/hive_file.h"

#include <fcntl.h>
#include <hivex.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace fs = std::filesystem;

namespace zr::hive {
namespace {

hive_h* H(void* p) { return static_cast<hive_h*>(p); }

// Frees what the library hands out with malloc.
struct Freed {
  void operator()(void* p) const { std::free(p); }
};

bool SyncPath(const fs::path& path, bool folder, std::string& error) {
  const int fd = ::open(path.c_str(), folder ? O_RDONLY | O_DIRECTORY : O_RDONLY);
  if (fd < 0 || ::fsync(fd) != 0) {
    error = path.string() + ": cannot be flushed to disk: " + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return false;
  }
  ::close(fd);
  return true;
}

}  // namespace

bool IsTextKind(std::uint32_t type) { return type == 1 || type == 2 || type == 7; }

std::unique_ptr<HiveFile> HiveFile::Open(const fs::path& path, bool writable, std::string& error) {
  std::unique_ptr<HiveFile> file(new HiveFile());
  file->path_ = path;
  errno = 0;
  file->hive_ = hivex_open(path.c_str(), writable ? HIVEX_OPEN_WRITE : 0);
  if (file->hive_ == nullptr) {
    error = path.string() + ": not a registry hive of Windows 2000/XP that can be read" +
            (errno != 0 ? std::string(" (") + std::strerror(errno) + ")" : std::string());
    return nullptr;
  }
  return file;
}

HiveFile::~HiveFile() {
  if (hive_ != nullptr) hivex_close(H(hive_));
}

std::string HiveFile::Failure(const char* what) const {
  return path_.string() + ": " + what + (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string());
}

NodeId HiveFile::Root() const { return hivex_root(H(hive_)); }

std::string HiveFile::Name(NodeId node) const {
  std::unique_ptr<char, Freed> name(hivex_node_name(H(hive_), node));
  return name ? std::string(name.get()) : std::string();
}

std::vector<NodeId> HiveFile::Children(NodeId node) const {
  std::vector<NodeId> out;
  std::unique_ptr<hive_node_h, Freed> list(hivex_node_children(H(hive_), node));
  if (!list) return out;
  for (const hive_node_h* p = list.get(); *p != 0; ++p) out.push_back(*p);
  return out;
}

NodeId HiveFile::Child(NodeId node, const std::string& utf8Name) const {
  return hivex_node_get_child(H(hive_), node, utf8Name.c_str());
}

std::vector<HiveValue> HiveFile::Values(NodeId node) const {
  std::vector<HiveValue> out;
  std::unique_ptr<hive_value_h, Freed> list(hivex_node_values(H(hive_), node));
  if (!list) return out;
  for (const hive_value_h* p = list.get(); *p != 0; ++p) {
    HiveValue value;
    std::unique_ptr<char, Freed> key(hivex_value_key(H(hive_), *p));
    if (key) value.name = key.get();
    hive_type type = hive_t_none;
    std::size_t length = 0;
    std::unique_ptr<char, Freed> data(hivex_value_value(H(hive_), *p, &type, &length));
    value.type = static_cast<std::uint32_t>(type);
    if (data) value.data.assign(data.get(), data.get() + length);
    out.push_back(std::move(value));
  }
  return out;
}

bool HiveFile::DeleteNode(NodeId node, std::string& error) {
  errno = 0;
  if (hivex_node_delete_child(H(hive_), node) != 0) {
    error = Failure("a key could not be deleted");
    return false;
  }
  changed_ = true;
  return true;
}

NodeId HiveFile::AddChild(NodeId parent, const std::string& utf8Name, std::string& error) {
  errno = 0;
  const hive_node_h node = hivex_node_add_child(H(hive_), parent, utf8Name.c_str());
  if (node == 0) {
    error = Failure(("the key '" + utf8Name + "' could not be added").c_str());
    return 0;
  }
  changed_ = true;
  return node;
}

bool HiveFile::SetValues(NodeId node, const std::vector<HiveValue>& values, std::string& error) {
  std::vector<hive_set_value> set(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    set[i].key = const_cast<char*>(values[i].name.c_str());
    set[i].t = static_cast<hive_type>(values[i].type);
    set[i].len = values[i].data.size();
    set[i].value = const_cast<char*>(reinterpret_cast<const char*>(values[i].data.data()));
  }
  errno = 0;
  if (hivex_node_set_values(H(hive_), node, set.size(), set.data(), 0) != 0) {
    error = Failure("the values of a key could not be written");
    return false;
  }
  changed_ = true;
  return true;
}

bool HiveFile::Commit(std::string& error) {
  if (!changed_) return true;
  const fs::path temporary = path_.string() + ".zrnew";
  const fs::path backup = path_.string() + ".zrbak";
  errno = 0;
  if (hivex_commit(H(hive_), temporary.c_str(), 0) != 0) {
    error = Failure("the changed hive could not be written");
    std::error_code ec;
    fs::remove(temporary, ec);
    return false;
  }
  if (!SyncPath(temporary, false, error)) return false;
  std::error_code ec;
  if (!fs::exists(backup, ec)) {
    fs::copy_file(path_, backup, ec);
    if (ec || !SyncPath(backup, false, error)) {
      if (ec) error = backup.string() + ": the original could not be kept: " + ec.message();
      fs::remove(temporary, ec);
      return false;
    }
  }
  fs::rename(temporary, path_, ec);
  if (ec) {
    error = path_.string() + ": the changed hive could not replace it: " + ec.message();
    return false;
  }
  changed_ = false;
  return SyncPath(path_.parent_path(), true, error);
}

}  // namespace zr::hive

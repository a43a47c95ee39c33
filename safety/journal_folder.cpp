#include "safety/journal_folder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace zr::safety {

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
bool MakeFolder(const std::string& path) { return _mkdir(path.c_str()) == 0 || errno == EEXIST; }
bool SyncToDisk(std::FILE* file) { return _commit(_fileno(file)) == 0; }
#else
constexpr char kSeparator = '/';
bool MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST; }
bool SyncToDisk(std::FILE* file) { return ::fsync(fileno(file)) == 0; }
#endif

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// Makes every folder of `path` up to its last separator.
bool MakeFoldersFor(const std::string& path) {
  for (std::size_t i = 1; i < path.size(); ++i) {
    if (path[i] != kSeparator || path[i - 1] == ':' || path[i - 1] == kSeparator) continue;
    if (!MakeFolder(path.substr(0, i))) return false;
  }
  return true;
}

}  // namespace

std::string JournalFolder::HostName(std::string_view name) const {
  std::string host = root_;
  host += kSeparator;
  for (char c : name) host += c == '/' ? kSeparator : c;
  return host;
}

bool JournalFolder::Put(std::string_view name, const void* bytes, std::size_t size, const char* mode) {
  const std::string host = HostName(name);
  if (!MakeFoldersFor(host)) return false;
  UniqueFile file(std::fopen(host.c_str(), mode));
  if (!file) return false;
  if (size > 0 && std::fwrite(bytes, 1, size, file.get()) != size) return false;
  if (std::fflush(file.get()) != 0 || !SyncToDisk(file.get())) return false;
  return std::fclose(file.release()) == 0;
}

bool JournalFolder::Write(std::string_view name, const std::vector<std::uint8_t>& bytes) {
  return Put(name, bytes.data(), bytes.size(), "wb");
}

bool JournalFolder::Append(std::string_view name, std::string_view bytes) {
  return Put(name, bytes.data(), bytes.size(), "ab");
}

bool JournalFolder::Read(std::string_view name, std::vector<std::uint8_t>& out, std::size_t limit) const {
  out.clear();
  UniqueFile file(std::fopen(HostName(name).c_str(), "rb"));
  if (!file) return false;
  std::uint8_t chunk[65536];
  for (;;) {
    const std::size_t got = std::fread(chunk, 1, sizeof(chunk), file.get());
    if (out.size() + got > limit) return false;
    out.insert(out.end(), chunk, chunk + got);
    if (got < sizeof(chunk)) return std::ferror(file.get()) == 0;
  }
}

}  // namespace zr::safety

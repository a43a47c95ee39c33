// The folder a journal lives in, on the host's own file system (not the
// platform's: the journal must be written before, and apart from, the
// changes it guards). Names are relative, '/'-separated; folders on the way
// are made as needed. Every write is flushed to the disk before it returns,
// so that what a call reported written survives a crash that follows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zr::safety {

class JournalFolder {
 public:
  // `root` is a host path (code-page bytes on Windows) without a trailing
  // separator. Nothing is made until the first write.
  explicit JournalFolder(std::string root) : root_(std::move(root)) {}

  const std::string& Root() const { return root_; }

  // Creates or replaces `name` with `bytes`.
  bool Write(std::string_view name, const std::vector<std::uint8_t>& bytes);
  // Appends `bytes` to `name`, creating it when missing.
  bool Append(std::string_view name, std::string_view bytes);
  // Reads `name` whole; false when it is missing, unreadable or larger than
  // `limit` bytes.
  bool Read(std::string_view name, std::vector<std::uint8_t>& out, std::size_t limit) const;

 private:
  bool Put(std::string_view name, const void* bytes, std::size_t size, const char* mode);
  std::string HostName(std::string_view name) const;

  std::string root_;
};

}  // namespace zr::safety

#include "tests/support/memory_files.h"

#include "platform/win_codes.h"

namespace zr::testing {
namespace {

constexpr std::uint32_t kKeptAttributes =
    win::kFileAttributeReadonly | win::kFileAttributeHidden | win::kFileAttributeSystem;

std::string ParentOf(const std::string& key) {
  const std::size_t slash = key.find_last_of('\\');
  return slash == std::string::npos ? std::string() : key.substr(0, slash);
}

}  // namespace

std::string MemoryFiles::Key(std::string_view path) {
  std::string key(path);
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

bool MemoryFiles::FolderExists(const std::string& key) const {
  std::string folder = key;
  while (folder.size() > 2 && folder.back() == '\\') folder.pop_back();
  const bool driveRoot = folder.size() == 2 && folder[1] == ':';
  return driveRoot || folders_.count(folder) > 0;
}

std::uint32_t MemoryFiles::CheckParent(const std::string& key) const {
  return FolderExists(ParentOf(key)) ? win::kSuccess : win::kPathNotFound;
}

void MemoryFiles::AddFolder(std::string_view path) {
  for (std::string key = Key(path); key.size() > 2; key = ParentOf(key)) folders_.insert(key);
}

void MemoryFiles::PutFile(std::string_view path, std::string_view bytes) {
  const std::string key = Key(path);
  AddFolder(ParentOf(key));
  File& file = files_[key];
  file.bytes.assign(bytes.begin(), bytes.end());
  file.attributes = win::kFileAttributeArchive;
}

std::optional<std::string> MemoryFiles::Content(std::string_view path) const {
  const auto it = files_.find(Key(path));
  if (it == files_.end()) return std::nullopt;
  return std::string(it->second.bytes.begin(), it->second.bytes.end());
}

void MemoryFiles::MakeReadOnly(std::string_view path) {
  SetAttributes(path, win::kFileAttributeReadonly);
}

std::uint32_t MemoryFiles::GetAttributes(std::string_view path, std::uint32_t& error) {
  const std::string key = Key(path);
  if (const auto it = files_.find(key); it != files_.end()) return it->second.attributes;
  if (FolderExists(key)) return win::kFileAttributeDirectory;
  error = CheckParent(key) == win::kSuccess ? win::kFileNotFound : win::kPathNotFound;
  return win::kInvalidFileAttributes;
}

std::uint32_t MemoryFiles::SetAttributes(std::string_view path, std::uint32_t attributes) {
  const std::string key = Key(path);
  const auto it = files_.find(key);
  if (it == files_.end()) {
    if (FolderExists(key)) return win::kSuccess;
    return CheckParent(key) == win::kSuccess ? win::kFileNotFound : win::kPathNotFound;
  }
  it->second.attributes = (attributes & kKeptAttributes) | win::kFileAttributeArchive;
  return win::kSuccess;
}

std::uint32_t MemoryFiles::DeleteFile(std::string_view path) {
  const std::string key = Key(path);
  const auto it = files_.find(key);
  if (it == files_.end()) {
    if (FolderExists(key)) return win::kAccessDenied;
    return CheckParent(key) == win::kSuccess ? win::kFileNotFound : win::kPathNotFound;
  }
  if (it->second.attributes & win::kFileAttributeReadonly) return win::kAccessDenied;
  files_.erase(it);
  return win::kSuccess;
}

std::uint32_t MemoryFiles::CopyFile(std::string_view source, std::string_view target,
                                    bool failIfExists) {
  const std::string from = Key(source);
  const std::string to = Key(target);
  const auto src = files_.find(from);
  if (src == files_.end()) {
    if (FolderExists(from)) return win::kAccessDenied;
    return CheckParent(from) == win::kSuccess ? win::kFileNotFound : win::kPathNotFound;
  }
  if (from == to) return win::kSharingViolation;
  if (const std::uint32_t rc = CheckParent(to); rc != win::kSuccess) return rc;
  if (FolderExists(to)) return win::kAccessDenied;
  const auto dst = files_.find(to);
  if (dst != files_.end()) {
    if (failIfExists) return win::kFileExists;
    if (dst->second.attributes & win::kFileAttributeReadonly) return win::kAccessDenied;
    dst->second.bytes = src->second.bytes;
    return win::kSuccess;
  }
  files_[to] = src->second;
  return win::kSuccess;
}

std::uint32_t MemoryFiles::ProbeExisting(std::string_view path) {
  const std::string key = Key(path);
  if (files_.count(key)) return win::kSuccess;
  if (FolderExists(key)) return win::kAccessDenied;
  return CheckParent(key) == win::kSuccess ? win::kFileNotFound : win::kPathNotFound;
}

std::uint32_t MemoryFiles::ReadWholeFile(std::string_view path, std::vector<std::uint8_t>& out) {
  ++reads_;
  out.clear();
  const std::string key = Key(path);
  if (const auto it = files_.find(key); it != files_.end()) {
    out = it->second.bytes;
    return win::kSuccess;
  }
  if (FolderExists(key)) return win::kAccessDenied;
  return CheckParent(key) == win::kSuccess ? win::kFileNotFound : win::kPathNotFound;
}

std::uint32_t MemoryFiles::WriteWholeFile(std::string_view path,
                                          const std::vector<std::uint8_t>& bytes) {
  ++writes_;
  const std::string key = Key(path);
  if (const std::uint32_t rc = CheckParent(key); rc != win::kSuccess) return rc;
  if (FolderExists(key) || refuseWrites_) return win::kAccessDenied;
  const auto it = files_.find(key);
  if (it != files_.end() && (it->second.attributes & win::kFileAttributeReadonly)) {
    return win::kAccessDenied;
  }
  File& file = files_[key];
  file.bytes = bytes;
  file.attributes |= win::kFileAttributeArchive;
  return win::kSuccess;
}

bool MemoryFiles::IsTextUnicode(const std::uint8_t*, std::size_t, int* flags) {
  // The text tests belong to the real backends; here every buffer is ANSI.
  if (flags) *flags = 0;
  return false;
}

}  // namespace zr::testing

#include "platform/sim/sim_files.h"

#include <sys/stat.h>

#include <fstream>
#include <system_error>

#include "platform/win_codes.h"

namespace fs = std::filesystem;

namespace zr::sim {
namespace {

constexpr std::uint32_t kHiddenSystem = win::kFileAttributeHidden | win::kFileAttributeSystem;

bool IsReadOnly(const fs::path& host) {
  std::error_code ec;
  const fs::perms perms = fs::status(host, ec).permissions();
  return !ec && (perms & fs::perms::owner_write) == fs::perms::none;
}

void SetReadOnly(const fs::path& host, bool readOnly) {
  std::error_code ec;
  fs::permissions(host, fs::perms::owner_write, readOnly ? fs::perm_options::remove : fs::perm_options::add, ec);
}

bool WriteBytes(const fs::path& host, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

bool ReadBytes(const fs::path& host, std::vector<std::uint8_t>& out) {
  std::ifstream in(host, std::ios::binary);
  if (!in) return false;
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(host, ec);
  if (ec) return false;
  out.resize(static_cast<std::size_t>(size));
  in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size));
  out.resize(static_cast<std::size_t>(in.gcount()));
  return true;
}

}  // namespace

std::uint32_t SimFiles::ExtraAttributes(const HostPath& file) const {
  auto it = extra_.find(file.host.string());
  return it == extra_.end() ? 0 : it->second;
}

std::uint32_t SimFiles::GetAttributes(std::string_view path, std::uint32_t& error) {
  const HostPath file = resolver_.Resolve(path);
  error = file.error;
  if (!file.exists) return win::kInvalidFileAttributes;
  if (file.isFolder) return win::kFileAttributeDirectory;
  return win::kFileAttributeArchive | (IsReadOnly(file.host) ? win::kFileAttributeReadonly : 0) | ExtraAttributes(file);
}

std::uint32_t SimFiles::SetAttributes(std::string_view path, std::uint32_t attributes) {
  const HostPath file = resolver_.Resolve(path);
  if (!file.exists) return file.error;
  if (file.isFolder) return win::kSuccess;
  SetReadOnly(file.host, (attributes & win::kFileAttributeReadonly) != 0);
  if (attributes & kHiddenSystem)
    extra_[file.host.string()] = attributes & kHiddenSystem;
  else
    extra_.erase(file.host.string());
  return win::kSuccess;
}

std::uint32_t SimFiles::DeleteFile(std::string_view path) {
  const HostPath file = resolver_.Resolve(path);
  if (!file.exists) return file.error;
  if (file.isFolder || IsReadOnly(file.host)) return win::kAccessDenied;
  std::error_code ec;
  if (!fs::remove(file.host, ec)) return win::kAccessDenied;
  extra_.erase(file.host.string());
  return win::kSuccess;
}

std::uint32_t SimFiles::CopyFile(std::string_view source, std::string_view target, bool failIfExists) {
  const HostPath from = resolver_.Resolve(source);
  if (!from.exists) return from.error;
  if (from.isFolder) return win::kAccessDenied;
  const HostPath to = resolver_.Resolve(target);
  if (!to.exists && to.error != win::kFileNotFound) return to.error;
  if (to.exists) {
    std::error_code ec;
    if (fs::equivalent(from.host, to.host, ec)) return win::kSharingViolation;
    if (failIfExists) return win::kFileExists;
    if (to.isFolder || IsReadOnly(to.host)) return win::kAccessDenied;
  }
  std::vector<std::uint8_t> bytes;
  if (!ReadBytes(from.host, bytes)) return win::kAccessDenied;
  if (!WriteBytes(to.host, bytes)) return win::kAccessDenied;
  if (!to.exists) {
    // A new file takes the source's attributes; an existing one keeps its own.
    SetReadOnly(to.host, IsReadOnly(from.host));
    if (std::uint32_t extra = ExtraAttributes(from)) extra_[to.host.string()] = extra;
  }
  return win::kSuccess;
}

std::uint32_t SimFiles::ProbeExisting(std::string_view path) {
  const HostPath file = resolver_.Resolve(path);
  if (!file.exists) return file.error;
  return file.isFolder ? win::kAccessDenied : win::kSuccess;
}

std::uint32_t SimFiles::ReadWholeFile(std::string_view path, std::vector<std::uint8_t>& out) {
  out.clear();
  const HostPath file = resolver_.Resolve(path);
  if (!file.exists) return file.error;
  if (file.isFolder) return win::kAccessDenied;
  std::error_code ec;
  if (fs::file_size(file.host, ec) > win::kLargestWholeFile) return win::kFileTooLarge;
  if (!ReadBytes(file.host, out)) {
    out.clear();
    return win::kAccessDenied;
  }
  return win::kSuccess;
}

std::uint32_t SimFiles::WriteWholeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) {
  const HostPath file = resolver_.Resolve(path);
  if (!file.exists && file.error != win::kFileNotFound) return file.error;
  if (file.exists && (file.isFolder || IsReadOnly(file.host))) return win::kAccessDenied;
  return WriteBytes(file.host, bytes) ? win::kSuccess : win::kAccessDenied;
}

bool SimFiles::IsTextUnicode(const std::uint8_t* bytes, std::size_t size, int* flags) {
  return LooksLikeUtf16(bytes, size, flags);
}

}  // namespace zr::sim

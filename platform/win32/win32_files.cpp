#include "platform/win32/win32_files.h"

#include <algorithm>
#include <climits>
#include <string>

#include "platform/win32/windows_api.h"
#include "platform/win_codes.h"

namespace zr::win32 {
namespace {

std::uint32_t LastError() { return static_cast<std::uint32_t>(GetLastError()); }

// A path with a zero inside names a shorter path to the ANSI calls; no file
// has such a name.
bool Refused(std::string_view path) { return HoldsZero(path); }

}  // namespace

std::uint32_t Win32Files::GetAttributes(std::string_view path, std::uint32_t& error) {
  error = win::kSuccess;
  if (Refused(path)) {
    error = win::kInvalidParameter;
    return win::kInvalidFileAttributes;
  }
  const std::string name(path);
  const DWORD attributes = GetFileAttributesA(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) error = LastError();
  return attributes;
}

std::uint32_t Win32Files::SetAttributes(std::string_view path, std::uint32_t attributes) {
  if (Refused(path)) return win::kInvalidParameter;
  const std::string name(path);
  return SetFileAttributesA(name.c_str(), attributes) ? win::kSuccess : LastError();
}

std::uint32_t Win32Files::DeleteFile(std::string_view path) {
  if (Refused(path)) return win::kInvalidParameter;
  const std::string name(path);
  return DeleteFileA(name.c_str()) ? win::kSuccess : LastError();
}

std::uint32_t Win32Files::CopyFile(std::string_view source, std::string_view target, bool failIfExists) {
  if (Refused(source) || Refused(target)) return win::kInvalidParameter;
  const std::string from(source);
  const std::string to(target);
  return CopyFileA(from.c_str(), to.c_str(), failIfExists ? TRUE : FALSE) ? win::kSuccess : LastError();
}

std::uint32_t Win32Files::ProbeExisting(std::string_view path) {
  if (Refused(path)) return win::kInvalidParameter;
  const std::string name(path);
  UniqueHandle file(CreateFileA(name.c_str(), 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.Valid() ? win::kSuccess : LastError();
}

std::uint32_t Win32Files::ReadWholeFile(std::string_view path, std::vector<std::uint8_t>& out) {
  out.clear();
  if (Refused(path)) return win::kInvalidParameter;
  const std::string name(path);
  UniqueHandle file(CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return LastError();

  DWORD high = 0;
  SetLastError(ERROR_SUCCESS);
  const DWORD low = GetFileSize(file.Get(), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) return LastError();
  if (high != 0 || low > kReadLimit) return ERROR_FILE_TOO_LARGE;

  out.resize(low);
  DWORD filled = 0;
  while (filled < low) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), out.data() + filled, low - filled, &got, nullptr)) {
      const std::uint32_t error = LastError();
      out.clear();
      return error;
    }
    if (got == 0) break;  // the file shrank since its size was taken
    filled += got;
  }
  out.resize(filled);
  return win::kSuccess;
}

std::uint32_t Win32Files::WriteWholeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) {
  if (Refused(path)) return win::kInvalidParameter;
  if (bytes.size() > MAXDWORD) return ERROR_FILE_TOO_LARGE;
  const std::string name(path);
  UniqueHandle file(
      CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return LastError();
  std::size_t written = 0;
  while (written < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(bytes.size() - written);
    DWORD put = 0;
    if (!WriteFile(file.Get(), bytes.data() + written, chunk, &put, nullptr)) return LastError();
    if (put == 0) return ERROR_WRITE_FAULT;
    written += put;
  }
  return win::kSuccess;
}

bool Win32Files::IsTextUnicode(const std::uint8_t* bytes, std::size_t size, int* flags) {
  if (bytes == nullptr) {
    if (flags != nullptr) *flags = 0;
    return false;
  }
  // The call takes an int length.
  const void* data = bytes;
  const int length = static_cast<int>(std::min<std::size_t>(size, INT_MAX));
  INT result = flags != nullptr ? *flags : 0;
  const BOOL unicode = ::IsTextUnicode(data, length, flags != nullptr ? &result : nullptr);
  if (flags != nullptr) *flags = result;
  return unicode != FALSE;
}

}  // namespace zr::win32

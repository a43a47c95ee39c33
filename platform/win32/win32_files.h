// IFiles over the real ANSI file calls (kernel32, IsTextUnicode of
// advapi32).
#pragma once

#include "platform/files.h"
#include "platform/win_codes.h"

namespace zr::win32 {

class Win32Files final : public IFiles {
 public:
  // Files larger than this are refused by ReadWholeFile (ERROR_FILE_TOO_LARGE)
  // rather than exhausting a 32-bit process: every file the tool reads is a
  // small text file.
  static constexpr std::uint32_t kReadLimit = win::kLargestWholeFile;

  std::uint32_t GetAttributes(std::string_view path, std::uint32_t& error) override;
  std::uint32_t SetAttributes(std::string_view path, std::uint32_t attributes) override;
  std::uint32_t DeleteFile(std::string_view path) override;
  std::uint32_t CopyFile(std::string_view source, std::string_view target, bool failIfExists) override;
  std::uint32_t ProbeExisting(std::string_view path) override;
  std::uint32_t ReadWholeFile(std::string_view path, std::vector<std::uint8_t>& out) override;
  std::uint32_t WriteWholeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) override;
  bool IsTextUnicode(const std::uint8_t* bytes, std::size_t size, int* flags) override;
};

}  // namespace zr::win32

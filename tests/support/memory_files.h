// Files held in memory, for tests of code that reaches files only through
// IFiles. Paths compare without regard to ASCII case; a drive root ("C:")
// always exists, other folders exist once added. It counts whole-file reads
// and writes, and can refuse writes as a read-only or full disk would.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace zr::testing {

class MemoryFiles final : public IFiles {
 public:
  void AddFolder(std::string_view path);
  // Creates or replaces the file, and the folders on its way.
  void PutFile(std::string_view path, std::string_view bytes);
  std::optional<std::string> Content(std::string_view path) const;
  void MakeReadOnly(std::string_view path);
  // Every write fails with kAccessDenied while set, whatever the file.
  void RefuseWrites(bool refuse) { refuseWrites_ = refuse; }

  int ReadCount() const { return reads_; }
  int WriteCount() const { return writes_; }

  std::uint32_t GetAttributes(std::string_view path, std::uint32_t& error) override;
  std::uint32_t SetAttributes(std::string_view path, std::uint32_t attributes) override;
  std::uint32_t DeleteFile(std::string_view path) override;
  std::uint32_t CopyFile(std::string_view source, std::string_view target, bool failIfExists) override;
  std::uint32_t ProbeExisting(std::string_view path) override;
  std::uint32_t ReadWholeFile(std::string_view path, std::vector<std::uint8_t>& out) override;
  std::uint32_t WriteWholeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) override;
  bool IsTextUnicode(const std::uint8_t* bytes, std::size_t size, int* flags) override;

 private:
  struct File {
    std::vector<std::uint8_t> bytes;
    std::uint32_t attributes = 0;
  };

  static std::string Key(std::string_view path);
  bool FolderExists(const std::string& key) const;
  // kSuccess when the folder holding `key` exists, else kPathNotFound.
  std::uint32_t CheckParent(const std::string& key) const;

  std::map<std::string, File> files_;
  std::set<std::string> folders_;
  bool refuseWrites_ = false;
  int reads_ = 0;
  int writes_ = 0;
};

}  // namespace zr::testing

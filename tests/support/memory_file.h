// One file held in memory, for the work-file store and its fuzzer, which
// reach their file only through whole-file reads and writes; the other
// calls are not implemented. Writes are counted and can be refused, as a
// read-only file or a full disk refuses them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/win_codes.h"

namespace zr::testing {

struct MemoryFile : IFiles {
  std::optional<std::string> content;  // nullopt: no file
  bool refuseWrites = false;
  int writes = 0;

  std::uint32_t ReadWholeFile(std::string_view, std::vector<std::uint8_t>& out) override {
    const std::string bytes = content.value_or("");
    out.assign(bytes.begin(), bytes.end());
    return content ? win::kSuccess : win::kFileNotFound;
  }
  std::uint32_t WriteWholeFile(std::string_view, const std::vector<std::uint8_t>& bytes) override {
    ++writes;
    if (refuseWrites) return win::kAccessDenied;
    content.emplace(bytes.begin(), bytes.end());
    return win::kSuccess;
  }
  std::uint32_t DeleteFile(std::string_view) override { return win::kCallNotImplemented; }
  std::uint32_t GetAttributes(std::string_view, std::uint32_t&) override { return win::kInvalidFileAttributes; }
  std::uint32_t SetAttributes(std::string_view, std::uint32_t) override { return win::kCallNotImplemented; }
  std::uint32_t CopyFile(std::string_view, std::string_view, bool) override { return win::kCallNotImplemented; }
  std::uint32_t ProbeExisting(std::string_view) override { return win::kCallNotImplemented; }
  bool IsTextUnicode(const std::uint8_t*, std::size_t, int*) override { return false; }
};

}  // namespace zr::testing

// Files, named by Windows paths ("C:\WINDOWS\inf\oem3.inf") in the machine's
// code page. Path components compare without regard to case. Every method
// returns a Win32 result code (zr::win::k*) unless it says otherwise.
//
// The methods take whole paths and whole files: there are no handles. The
// only pointer arguments are IsTextUnicode's: no bytes read as no text
// (false, `flags` set to 0 when given).
//
// Codes common to every method that takes a path:
// - kFileNotFound: the last component does not exist;
// - kPathNotFound: a folder on the way does not exist, the path is "", or a
//   file is used as a folder ("file.txt\");
// - kAccessDenied: the object is a folder where a file is needed, or the
//   file is refused (read-only, or the user may not change it).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace zr {

class IFiles {
 public:
  virtual ~IFiles() = default;

  // GetFileAttributesA. Returns the attributes, or kInvalidFileAttributes
  // with `error` set to kFileNotFound / kPathNotFound. A file without other
  // attributes reports kFileAttributeArchive (0x20), never 0x80; a folder
  // reports kFileAttributeDirectory (with or without a trailing backslash).
  virtual std::uint32_t GetAttributes(std::string_view path, std::uint32_t& error) = 0;

  // SetFileAttributesA. kSuccess or the path codes. 0 and
  // kFileAttributeNormal both mean "archive only"; kFileAttributeDirectory
  // on a file is ignored. Read-only, hidden and system are kept.
  virtual std::uint32_t SetAttributes(std::string_view path, std::uint32_t attributes) = 0;

  // DeleteFileA. kSuccess when the file is gone. A read-only file is not
  // deleted: kAccessDenied. A folder: kAccessDenied.
  virtual std::uint32_t DeleteFile(std::string_view path) = 0;

  // CopyFileA(source, target, failIfExists).
  // - kSuccess: target holds source's bytes. A new target takes source's
  //   attributes; an existing target keeps its own (hidden stays hidden).
  // - target exists and failIfExists: kFileExists, target unchanged.
  // - target is read-only: kAccessDenied, target unchanged.
  // - source and target are the same file: kSharingViolation, unharmed.
  // - source is a folder: kAccessDenied. Missing source: kFileNotFound.
  //   Missing target folder: kPathNotFound.
  virtual std::uint32_t CopyFile(std::string_view source, std::string_view target, bool failIfExists) = 0;

  // CreateFileA(path, 0, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL) followed by
  // CloseHandle: kSuccess when a file of that name exists (read-only ones
  // included); a folder gives kAccessDenied.
  virtual std::uint32_t ProbeExisting(std::string_view path) = 0;

  // CreateFileA(GENERIC_READ, no sharing, OPEN_EXISTING), GetFileSize,
  // ReadFile of the whole file, CloseHandle. kSuccess with `out` holding the
  // bytes (empty for an empty file); otherwise `out` is cleared. A file
  // larger than kLargestWholeFile is refused with kFileTooLarge.
  virtual std::uint32_t ReadWholeFile(std::string_view path, std::vector<std::uint8_t>& out) = 0;

  // CreateFileA(GENERIC_WRITE, CREATE_ALWAYS), WriteFile, CloseHandle: the
  // file holds exactly `bytes` afterwards. A new file gets the archive
  // attribute; a read-only file is refused (kAccessDenied, unchanged).
  virtual std::uint32_t WriteWholeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) = 0;

  // IsTextUnicode(bytes, size, NULL): true when the bytes look like UTF-16LE
  // text by the system's statistical tests. `flags`, when given, is the
  // in/out test mask of the real call.
  virtual bool IsTextUnicode(const std::uint8_t* bytes, std::size_t size, int* flags) = 0;
};

}  // namespace zr

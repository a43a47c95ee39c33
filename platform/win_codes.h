// Win32 numbers that cross the platform boundary: result codes, registry
// value kinds, access masks and file attributes. They carry their own names so
// that this header never collides with <windows.h> macros; the values are the
// Win32 ones, so a backend passes them through unchanged.
#pragma once

#include <cstdint>

namespace zr::win {

// Result codes (GetLastError / LSTATUS values).
inline constexpr std::uint32_t kSuccess = 0;
inline constexpr std::uint32_t kFileNotFound = 2;
inline constexpr std::uint32_t kPathNotFound = 3;
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kInvalidHandle = 6;
inline constexpr std::uint32_t kSharingViolation = 32;
inline constexpr std::uint32_t kFileExists = 80;
inline constexpr std::uint32_t kFileTooLarge = 223;
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kCallNotImplemented = 120;
inline constexpr std::uint32_t kInsufficientBuffer = 122;
inline constexpr std::uint32_t kBadPathname = 161;
inline constexpr std::uint32_t kAlreadyExists = 183;
inline constexpr std::uint32_t kMoreData = 234;
inline constexpr std::uint32_t kNoMoreItems = 259;
inline constexpr std::uint32_t kKeyDeleted = 1018;
inline constexpr std::uint32_t kNotAllAssigned = 1300;

// Registry value kinds.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// Registry access rights.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kKeyNotify = 0x0010;
inline constexpr std::uint32_t kDelete = 0x00010000;
inline constexpr std::uint32_t kReadControl = 0x00020000;
inline constexpr std::uint32_t kWriteDac = 0x00040000;
inline constexpr std::uint32_t kWriteOwner = 0x00080000;
inline constexpr std::uint32_t kKeyRead = 0x00020019;
inline constexpr std::uint32_t kKeyAllAccess = 0x000F003F;

// The largest file ReadWholeFile reads; a larger one is refused with
// kFileTooLarge rather than read whole into memory (INF files are a few
// kilobytes).
inline constexpr std::uint32_t kLargestWholeFile = 64u << 20;

// File attributes.
inline constexpr std::uint32_t kFileAttributeReadonly = 0x01;
inline constexpr std::uint32_t kFileAttributeHidden = 0x02;
inline constexpr std::uint32_t kFileAttributeSystem = 0x04;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeArchive = 0x20;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;
inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFF;

// Platform ids of the version record.
inline constexpr std::uint32_t kPlatformWin32s = 0;
inline constexpr std::uint32_t kPlatformWindows9x = 1;
inline constexpr std::uint32_t kPlatformWindowsNt = 2;

// IsTextUnicode test flags.
inline constexpr int kTextUnicodeAscii16 = 0x0001;
inline constexpr int kTextUnicodeStatistics = 0x0002;
inline constexpr int kTextUnicodeControls = 0x0004;
inline constexpr int kTextUnicodeSignature = 0x0008;
inline constexpr int kTextUnicodeReverseAscii16 = 0x0010;
inline constexpr int kTextUnicodeReverseStatistics = 0x0020;
inline constexpr int kTextUnicodeReverseControls = 0x0040;
inline constexpr int kTextUnicodeReverseSignature = 0x0080;
inline constexpr int kTextUnicodeIllegalChars = 0x0100;
inline constexpr int kTextUnicodeOddLength = 0x0200;
inline constexpr int kTextUnicodeDbcsLeadbyte = 0x0400;
inline constexpr int kTextUnicodeNullBytes = 0x1000;

}  // namespace zr::win

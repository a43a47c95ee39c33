// The one header that includes <windows.h>. Everything under platform/win32
// reaches the operating system through it, and it owns the few auto-closing
// wrappers that keep a failed path from leaking a handle: registry keys,
// kernel handles (files, the process token), SIDs from
// AllocateAndInitializeSid and blocks of the process heap.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// The boundary's methods carry the Win32 names; the ANSI/wide macros of the
// same names would rename them in every file that sees this header.
#undef DeleteFile
#undef CopyFile

#include <cstdint>
#include <string>
#include <string_view>

namespace zr::win32 {

// True for the predefined roots (HKEY_LOCAL_MACHINE ...), which are not
// ours to close.
inline bool IsPredefinedKey(HKEY key) {
  const auto value = reinterpret_cast<std::uintptr_t>(key);
  return value >= 0x80000000u && value <= 0x80000006u;
}

// An open registry key, closed with RegCloseKey unless it is a predefined
// root.
class UniqueKey {
 public:
  UniqueKey() = default;
  explicit UniqueKey(HKEY key) : key_(key) {}
  ~UniqueKey() { Reset(); }
  UniqueKey(UniqueKey&& other) noexcept : key_(other.Release()) {}
  UniqueKey& operator=(UniqueKey&& other) noexcept {
    if (this != &other) {
      Reset();
      key_ = other.Release();
    }
    return *this;
  }
  UniqueKey(const UniqueKey&) = delete;
  UniqueKey& operator=(const UniqueKey&) = delete;

  HKEY Get() const { return key_; }
  HKEY* Receive() {
    Reset();
    return &key_;
  }
  HKEY Release() {
    HKEY key = key_;
    key_ = nullptr;
    return key;
  }
  void Reset() {
    if (key_ != nullptr && !IsPredefinedKey(key_)) RegCloseKey(key_);
    key_ = nullptr;
  }

 private:
  HKEY key_ = nullptr;
};

// A kernel handle (a file, the process token), closed with CloseHandle.
// Both NULL and INVALID_HANDLE_VALUE mean "none".
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = other.handle_;
      other.handle_ = nullptr;
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  HANDLE* Receive() {
    Reset();
    return &handle_;
  }
  void Reset() {
    if (Valid()) CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

// A SID made by AllocateAndInitializeSid, released with FreeSid.
class UniqueSid {
 public:
  UniqueSid() = default;
  ~UniqueSid() {
    if (sid_ != nullptr) FreeSid(sid_);
  }
  UniqueSid(const UniqueSid&) = delete;
  UniqueSid& operator=(const UniqueSid&) = delete;

  PSID Get() const { return sid_; }
  PSID* Receive() { return &sid_; }

 private:
  PSID sid_ = nullptr;
};

// A block of the process heap, released with HeapFree.
class HeapBlock {
 public:
  explicit HeapBlock(std::size_t size) : block_(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size)) {}
  ~HeapBlock() {
    if (block_ != nullptr) HeapFree(GetProcessHeap(), 0, block_);
  }
  HeapBlock(const HeapBlock&) = delete;
  HeapBlock& operator=(const HeapBlock&) = delete;

  void* Get() const { return block_; }

 private:
  void* block_;
};

// The ANSI calls take zero-terminated strings; a view that holds a zero of
// its own would silently name something shorter (a parent key, another
// file), so callers refuse such a view before they make the string.
inline bool HoldsZero(std::string_view text) { return text.find('\0') != std::string_view::npos; }

// True when this process runs on Wine rather than on Windows: ntdll exports
// wine_get_version there.
inline bool RunningOnWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace zr::win32

#include "platform/win32/win32_system.h"

#include <cstring>
#include <vector>

#include "platform/win32/windows_api.h"

namespace zr::win32 {
namespace {

static_assert(sizeof(OSVERSIONINFOA) == 148, "GetVersionExA is called with the 148-byte record");

// Asks a "fill this buffer, or tell me the size needed" call until the
// answer fits, then drops a trailing backslash unless it belongs to a drive
// root ("C:\").
template <typename Query>
std::string FolderFrom(Query query) {
  std::vector<char> buffer(MAX_PATH + 1);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD length = query(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return {};
    if (length < buffer.size()) {
      std::string folder(buffer.data(), length);
      if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
      return folder;
    }
    buffer.resize(static_cast<std::size_t>(length) + 1);
  }
  return {};
}

}  // namespace

bool Win32SystemInfo::GetVersion(VersionRecord& out) {
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof(info));
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExA(&info)) return false;
  out.major = info.dwMajorVersion;
  out.minor = info.dwMinorVersion;
  out.build = info.dwBuildNumber;
  out.platformId = info.dwPlatformId;
  // The record's text need not be terminated.
  out.csd.assign(info.szCSDVersion, strnlen(info.szCSDVersion, sizeof(info.szCSDVersion) - 1));
  return true;
}

std::string Win32SystemInfo::WindowsDirectory() {
  return FolderFrom([](DWORD size, char* buffer) { return GetWindowsDirectoryA(buffer, size); });
}

std::string Win32SystemInfo::SystemDirectory() {
  return FolderFrom([](DWORD size, char* buffer) { return GetSystemDirectoryA(buffer, size); });
}

unsigned Win32SystemInfo::AnsiCodePage() { return GetACP(); }

std::string Win32SystemInfo::CurrentDirectory() {
  return FolderFrom([](DWORD size, char* buffer) { return GetCurrentDirectoryA(size, buffer); });
}

long Win32Power::EnableShutdownPrivilege() {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive())) {
    return -1;
  }
  TOKEN_PRIVILEGES privileges;
  std::memset(&privileges, 0, sizeof(privileges));
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  // A failed lookup leaves the zero LUID, which the adjustment refuses with
  // an error code of its own; that code is the answer.
  LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
  AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
  return static_cast<long>(GetLastError());
}

bool Win32Power::RequestRestart() { return ExitWindowsEx(EWX_REBOOT, 0) != FALSE; }

}  // namespace zr::win32

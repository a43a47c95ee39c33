// System facts, the shutdown privilege and the restart request.
#pragma once

#include <cstdint>
#include <string>

namespace zr {

// What GetVersionExA fills in an OSVERSIONINFOA of 148 bytes.
struct VersionRecord {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;       // the whole field; 9x keeps major.minor in the high word
  std::uint32_t platformId = 0;  // 0 Win32s, 1 Windows 9x, 2 Windows NT
  std::string csd;               // szCSDVersion, at most 127 bytes
};

class ISystemInfo {
 public:
  virtual ~ISystemInfo() = default;

  // GetVersionExA with dwOSVersionInfoSize = 148. False when the query
  // fails; `out` is then left as given.
  virtual bool GetVersion(VersionRecord& out) = 0;

  // GetWindowsDirectoryA, GetSystemDirectoryA, GetCurrentDirectoryA: the
  // folder without a trailing backslash (a drive root keeps its "C:\"), in
  // the code page; "" when the query fails.
  virtual std::string WindowsDirectory() = 0;
  virtual std::string SystemDirectory() = 0;
  virtual std::string CurrentDirectory() = 0;

  // GetACP: the code page of the ANSI calls' texts (932 on Japanese Windows).
  virtual unsigned AnsiCodePage() = 0;
};

class IPower {
 public:
  virtual ~IPower() = default;

  // OpenProcessToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY),
  // LookupPrivilegeValueA("SeShutdownPrivilege"), AdjustTokenPrivileges with
  // that one privilege enabled. -1 when the token cannot be opened; otherwise
  // the last-error code right after the adjustment (0 when granted, 1300
  // when the account does not hold the privilege).
  virtual long EnableShutdownPrivilege() = 0;

  // ExitWindowsEx(EWX_REBOOT, 0). True when Windows accepted the request.
  virtual bool RequestRestart() = 0;
};

}  // namespace zr

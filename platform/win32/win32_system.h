// ISystemInfo and IPower over the real calls.
#pragma once

#include "platform/system.h"

namespace zr::win32 {

class Win32SystemInfo final : public ISystemInfo {
 public:
  bool GetVersion(VersionRecord& out) override;
  std::string WindowsDirectory() override;
  std::string SystemDirectory() override;
  std::string CurrentDirectory() override;
  unsigned AnsiCodePage() override;
};

class Win32Power final : public IPower {
 public:
  long EnableShutdownPrivilege() override;
  bool RequestRestart() override;
};

}  // namespace zr::win32

// The Windows program's platform: the real registry, files, system facts and
// power calls. Nothing of <windows.h> shows through this header.
#pragma once

#include <memory>

#include "platform/key_creator.h"
#include "platform/platform.h"

namespace zr::win32 {

class Win32Registry;
class Win32Files;
class Win32SystemInfo;
class Win32Power;

class Win32Platform final : public IPlatform {
 public:
  Win32Platform();
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  IRegistry& Registry() override;
  IFiles& Files() override;
  ISystemInfo& System() override;
  IPower& Power() override;

  // The platform id GetVersionExA reported at start-up (0 when it failed).
  IKeyCreator& KeyCreator();

  std::uint32_t PlatformId() const { return platformId_; }
  // Registry handles handed out and not yet closed.
  long OpenRegistryHandles() const;

 private:
  std::unique_ptr<Win32SystemInfo> system_;
  std::uint32_t platformId_ = 0;
  std::unique_ptr<Win32Registry> registry_;
  std::unique_ptr<Win32Files> files_;
  std::unique_ptr<Win32Power> power_;
};

}  // namespace zr::win32

#include "platform/win32/win32_platform.h"

#include "platform/win32/win32_files.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"

namespace zr::win32 {

Win32Platform::Win32Platform()
    : system_(std::make_unique<Win32SystemInfo>()),
      files_(std::make_unique<Win32Files>()),
      power_(std::make_unique<Win32Power>()) {
  VersionRecord version;
  if (system_->GetVersion(version)) platformId_ = version.platformId;
  registry_ = std::make_unique<Win32Registry>(platformId_);
}

Win32Platform::~Win32Platform() = default;

IRegistry& Win32Platform::Registry() { return *registry_; }
IKeyCreator& Win32Platform::KeyCreator() { return *registry_; }
IFiles& Win32Platform::Files() { return *files_; }
ISystemInfo& Win32Platform::System() { return *system_; }
IPower& Win32Platform::Power() { return *power_; }

long Win32Platform::OpenRegistryHandles() const { return registry_->OpenHandleCount(); }

}  // namespace zr::win32

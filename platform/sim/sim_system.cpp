#include "platform/sim/sim_system.h"

#include "platform/sim/machine.h"
#include "platform/win_codes.h"

namespace zr::sim {

bool SimSystem::GetVersion(VersionRecord& out) {
  out = machine_.Config().version;
  return true;
}

std::string SimSystem::WindowsDirectory() { return machine_.Config().windowsDir; }
std::string SimSystem::SystemDirectory() { return machine_.Config().systemDir; }
std::string SimSystem::CurrentDirectory() { return machine_.Config().currentDir; }
unsigned SimSystem::AnsiCodePage() { return machine_.Config().codePage; }

long SimSystem::EnableShutdownPrivilege() {
  // Windows 9x has no process tokens: the token cannot be opened there.
  if (machine_.Config().version.platformId != win::kPlatformWindowsNt) {
    machine_.LogEvent("shutdown privilege: no process token on this system");
    return -1;
  }
  machine_.LogEvent("shutdown privilege enabled");
  return 0;
}

bool SimSystem::RequestRestart() {
  machine_.LogEvent("restart requested (EWX_REBOOT)");
  return true;
}

}  // namespace zr::sim

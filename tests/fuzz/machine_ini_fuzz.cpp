// machine.ini from arbitrary bytes. A refusal names machine.ini; what is
// accepted survives the writer of its [replaced] section: the text written
// back reads as the same machine.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/sim/machine_ini.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool SameMachine(const zr::sim::MachineConfig& a, const zr::sim::MachineConfig& b) {
  return a.version.major == b.version.major && a.version.minor == b.version.minor &&
         a.version.build == b.version.build && a.version.platformId == b.version.platformId &&
         a.version.csd == b.version.csd && a.windowsDir == b.windowsDir && a.systemDir == b.systemDir &&
         a.currentDir == b.currentDir && a.codePage == b.codePage && a.admin == b.admin &&
         a.protectedKeys == b.protectedKeys && a.replacedKeys == b.replacedKeys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  zr::sim::MachineConfig config;
  std::string error;
  if (!zr::sim::ParseMachineIni(text, config, error)) {
    Require(error.rfind("machine.ini", 0) == 0);
    return 0;
  }
  const std::string written = zr::sim::WithReplacedSection(text, config);
  zr::sim::MachineConfig again;
  Require(zr::sim::ParseMachineIni(written, again, error));
  Require(SameMachine(config, again));
  return 0;
}

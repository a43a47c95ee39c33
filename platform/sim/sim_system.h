// System facts and power of a simulated machine: the version record and the
// folders come from machine.ini; privilege and restart requests are logged.
#pragma once

#include "platform/system.h"

namespace zr::sim {

class SimMachine;

class SimSystem final : public ISystemInfo, public IPower {
 public:
  explicit SimSystem(SimMachine& machine) : machine_(machine) {}

  bool GetVersion(VersionRecord& out) override;
  std::string WindowsDirectory() override;
  std::string SystemDirectory() override;
  std::string CurrentDirectory() override;
  unsigned AnsiCodePage() override;

  long EnableShutdownPrivilege() override;
  bool RequestRestart() override;

 private:
  SimMachine& machine_;
};

}  // namespace zr::sim

// What a machine image holds, in figures, for the program's summary line
// and for tests.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/sim/machine.h"

namespace zr::sim {

struct DriveSummary {
  char letter = 'C';
  std::size_t files = 0;
  std::size_t folders = 0;
  std::uintmax_t bytes = 0;
};

struct MachineSummary {
  std::string windowsName;  // e.g. "Windows XP"
  std::size_t keys = 0;     // below HKLM, HKLM itself not counted
  std::size_t values = 0;
  std::size_t protectedKeys = 0;
  std::vector<DriveSummary> drives;
};

MachineSummary Summarise(const SimMachine& machine);

// A readable name for a version record ("Windows 98", "Windows XP", ...).
std::string WindowsName(const VersionRecord& version);

}  // namespace zr::sim

// machine.ini of a machine image: a strict reader (every fault is reported
// with its line) and the writer of its [replaced] section.
#pragma once

#include <string>
#include <string_view>

#include "platform/sim/machine.h"

namespace zr::sim {

// Parses machine.ini (UTF-8 text; paths are converted to the image's code
// page). False with `error` as "machine.ini:LINE: what" on a fault.
bool ParseMachineIni(std::string_view text, MachineConfig& config, std::string& error);

// The same text with its [replaced] section set to `config.replacedKeys`;
// every other line is kept as it was.
std::string WithReplacedSection(std::string_view text, const MachineConfig& config);

}  // namespace zr::sim

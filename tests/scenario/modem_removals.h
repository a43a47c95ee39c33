// What the uninstall wizard removes from each sample image that has the
// device's modem side installed: every key tree and file of the device, the
// COM port bit it held, and the events that Finish leaves. Everything else
// in the image must come through unchanged.
#pragma once

#include <cstdint>
#include <ostream>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/machine_snapshot.h"

namespace zr::scenario {

struct ModemRemoval {
  std::string image;
  std::string foundLine;  // the detected-drivers page's modem line
  std::vector<std::string> keys;   // key trees that go, below HKLM
  std::vector<std::string> files;  // files that go
  std::optional<std::vector<std::uint8_t>> comDb;  // ComDB afterwards, when the device held a port
  std::vector<std::string> finishEvents;           // what Finish logs, in order
};

const std::vector<ModemRemoval>& ModemRemovals();

// Test names and messages show the image, not the object's bytes.
inline void PrintTo(const ModemRemoval& removal, std::ostream* out) { *out << removal.image; }

// `before` with the removal's changes applied.
testing::MachineSnapshot AfterRemoval(testing::MachineSnapshot before, const ModemRemoval& removal);

}  // namespace zr::scenario

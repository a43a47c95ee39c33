// A platform that lets every call through to the machine and notes each
// change it made, in the same records the preview overlay gives: the real
// run's change list, to set beside the preview and to rescan from.
#pragma once

#include "safety/change_tracker.h"

namespace zr::safety {

class RecordingPlatform final : public ChangeTracker {
 public:
  explicit RecordingPlatform(IPlatform& machine) : ChangeTracker(machine) {}

 protected:
  IPlatform& View() override { return Inner(); }
};

}  // namespace zr::safety

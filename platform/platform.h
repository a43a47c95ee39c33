// The one object through which the engine reaches Windows: the registry, the
// files, the system facts and power. A backend (platform/win32, platform/sim)
// or a wrapper (the fault-injecting one of the tests) hands out all four.
#pragma once

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace zr {

class IPlatform {
 public:
  virtual ~IPlatform() = default;
  virtual IRegistry& Registry() = 0;
  virtual IFiles& Files() = 0;
  virtual ISystemInfo& System() = 0;
  virtual IPower& Power() = 0;
};

}  // namespace zr

// The simulated machine under a running wizard: it is saved after every
// step that changed it, and what it logged since the last look (restart,
// privilege, message boxes) is handed to the front end to show.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/sim/machine.h"

namespace zr::tty {

class MachineSession {
 public:
  explicit MachineSession(sim::SimMachine& machine) : machine_(machine), seen_(machine.Events().size()) {}

  sim::SimMachine& Machine() { return machine_; }

  // Saves the image when it changed; an error is returned as text.
  std::string SaveIfChanged();
  // Events logged since the last call.
  std::vector<std::string> NewEvents();
  // Logs a message box the user was shown; the texts are UTF-8, as the
  // sheet gives them, and go to the log as the machine's code page holds
  // them, as every text of the machine does.
  void RecordMessageBox(std::string_view caption, std::string_view text);
  // True once a restart has been requested in this run.
  bool RestartRequested() const;

 private:
  sim::SimMachine& machine_;
  std::size_t seen_;
};

}  // namespace zr::tty

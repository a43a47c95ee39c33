// Runs without pages: the preview (--preview) and the unattended runs
// (--unattended uninstall|install) of the Linux program. Both take the
// wizard's own steps with the modem box ticked; the preview keeps every
// change in an overlay, the unattended run makes them and rescans.
#pragma once

#include <string>

#include "app/flow_run.h"
#include "ui/tty/machine_session.h"

namespace zr::tty {

struct NoPagesOptions {
  bool preview = false;  // else the unattended run
  FlowChoice choice;
  bool json = false;
  std::string logFile;  // the report is appended here too
  // The unattended run's changes go through this platform (the journal);
  // the machine itself when none is given.
  IPlatform* through = nullptr;
};

// Prints the report on standard output and returns the exit code.
int RunWithoutPages(MachineSession& session, const NoPagesOptions& options);

}  // namespace zr::tty

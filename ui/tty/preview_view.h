// F2 on the detected-drivers page: the preview of what Next removes, in a
// scrollable box over the wizard, before anything is removed.
#pragma once

#include <functional>

#include "app/drv_sheet.h"
#include "app/wizard_runner.h"
#include "ui/tty/curses_screen.h"
#include "ui/tty/machine_session.h"

namespace zr::tty {

// Runs the flow with the ticks the user made over an overlay of the machine
// and shows its report until Esc, Enter or F2; `drawUnder` draws the wizard
// beneath. Does nothing on other pages.
void ShowRemovalPreview(CursesScreen& screen, MachineSession& session, CDrvSheet& sheet, const WizardRunner& runner,
                        const std::function<void()>& drawUnder);

}  // namespace zr::tty

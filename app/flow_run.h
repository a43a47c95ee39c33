// The wizard's flow run without anyone at the screen: the pages are shown
// and their buttons pressed as a user would press them, with the modem box
// ticked (uninstall) or on the install start page, so that what runs is what
// the wizard runs. The unattended runs, the preview and the rescan use it.
#pragma once

#include <functional>
#include <string>

#include "app/wizard_runner.h"
#include "engine/reg_edit.h"

namespace zr {

struct FlowChoice {
  bool install = false;  // else the uninstall
  bool modem = true;     // uninstall: the boxes ticked on the selection page
  bool lan = false;      // (the USB-LAN box is not shown; only tests tick it)
};

// What the flow found and did, as the wizard state holds it afterwards.
struct FlowOutcome {
  int winKind = 0;
  std::string osName;  // the engine's text, in the machine's code page
  int modemWord = 0;
  int lanWord = 0;
  int modemPlan = 0;
  int lanPlan = 0;
  int installPlan = 0;
  bool accessError = false;  // the access-error message was shown
  bool finished = false;     // Finish was pressed on the last page
  int pagesPassed = 0;       // times Next moved on to the next page
};

// Runs the flow on `engine` (which the caller built over the platform it
// wants changed). `view` is told of message boxes; `progress` of each page
// left. With `finish` the last page's Finish is pressed, and with it the
// restart requested as the wizard requests it.
FlowOutcome RunFlow(CRegEdit& engine, const FlowChoice& choice, IRunnerView& view, bool finish,
                    const std::function<void(std::string_view)>& progress = {});

// A removal or staging was planned.
bool AnythingPlanned(const FlowOutcome& outcome, const FlowChoice& choice);

}  // namespace zr

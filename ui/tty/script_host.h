// The scripted mode: runs the wizard from a script of commands, printing
// the page after the first activation and after every command.
#pragma once

#include <istream>
#include <ostream>

#include "app/script_command.h"
#include "app/wizard_host.h"
#include "app/wizard_runner.h"
#include "ui/tty/machine_session.h"

namespace zr::tty {

enum ExitStatus { kExitEnded = 0, kExitImage = 1, kExitScriptError = 2, kExitExpectFailed = 3 };

// Said where Windows would restart: the simulated machine does not.
inline constexpr const char* kRestartLine = "ここでWindowsが再起動します。";
// Said when a second start during the run ended at once and left this
// wizard running; the Windows robot says the same.
inline constexpr const char* kSecondStartLine = "event: a second start ended at once, the wizard runs on";

class ScriptHost final : public IWizardHost, public IRunnerView {
 public:
  ScriptHost(MachineSession& session, std::istream& script, std::ostream& out)
      : session_(session), script_(script), out_(out) {}

  void RunModal(CDrvSheet& sheet) override;
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override;

  int Status() const { return status_; }

 private:
  // One command; false ends the run (status_ says why).
  bool Execute(WizardRunner& runner, const script::Line& line);
  bool Fail(int status, const std::string& why);
  bool SecondStartEnds();
  void AfterStep(WizardRunner& runner);

  MachineSession& session_;
  std::istream& script_;
  std::ostream& out_;
  int status_ = kExitEnded;
  // Where the keyboard is: the page or one of its controls (true), or one
  // of the sheet's buttons.
  bool focusOnPage_ = true;
  std::size_t lineNumber_ = 0;
};

}  // namespace zr::tty

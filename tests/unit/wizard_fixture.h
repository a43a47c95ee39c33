// A CDrvSheet run by a WizardRunner, as the front ends run it, with a view
// that records the message boxes, and a sheet spy that sees what one page
// asks of the sheet.
#pragma once

#include <string>
#include <vector>

#include "app/drv_sheet.h"
#include "app/wizard_runner.h"

namespace zr::testing {

class RecordingView final : public IRunnerView {
 public:
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon) override {
    messages.push_back(std::string(caption) + ": " + std::string(text));
  }
  std::vector<std::string> messages;
};

class Wizard {
 public:
  // The sheet is built for `mode` (1 install, 2 uninstall, other: chooser)
  // and its first page activated.
  Wizard(CRegEdit& engine, char wizardMode)
      : mode(engine.m_nWizardMode = wizardMode), sheet(engine), runner(sheet, view) {
    runner.Start();
  }

  // The text a control of the active page shows; "<none>" when it has none.
  std::string Text(int id) const {
    const ControlState* control = runner.FindControl(runner.Active(), id);
    return control != nullptr ? control->text : "<none>";
  }
  int Checked(int id) const {
    const ControlState* control = runner.FindControl(runner.Active(), id);
    return control != nullptr ? control->checked : -1;
  }
  std::string Active() const { return runner.Active().ClassName(); }
  std::vector<std::string> Pages() const {
    std::vector<std::string> names;
    for (const CPage* page : sheet.Pages()) names.emplace_back(page->ClassName());
    return names;
  }

  // Set before the sheet is built, which reads it.
  const char mode;
  CDrvSheet sheet;
  RecordingView view;
  WizardRunner runner;
};

// Stands between one page and the sheet: records the timer calls and the
// buttons, can refuse timers, and hands everything else on (to nothing when
// there is no sheet behind it).
class SheetSpy final : public ISheet {
 public:
  explicit SheetSpy(ISheet* inner = nullptr) : inner_(inner) {}

  void PostWizardButtons(int flags) override {
    buttons.push_back(flags);
    if (inner_ != nullptr) inner_->PostWizardButtons(flags);
  }
  void AddPage(CPage& page) override {
    if (inner_ != nullptr) inner_->AddPage(page);
  }
  bool SetTimer(CPage& page, int id, unsigned milliseconds) override {
    calls.push_back("set " + std::to_string(id) + " " + std::to_string(milliseconds));
    if (refuseTimers) return false;
    return inner_ == nullptr || inner_->SetTimer(page, id, milliseconds);
  }
  void KillTimer(CPage& page, int id) override {
    calls.push_back("kill " + std::to_string(id));
    if (inner_ != nullptr) inner_->KillTimer(page, id);
  }
  void UpdateData(CPage& page, bool save) override {
    if (inner_ != nullptr) inner_->UpdateData(page, save);
  }

  std::vector<int> buttons;
  std::vector<std::string> calls;
  bool refuseTimers = false;

 private:
  ISheet* inner_;
};

}  // namespace zr::testing

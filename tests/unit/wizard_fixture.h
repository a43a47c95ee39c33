// A CDrvSheet run by a WizardRunner, as the front ends run it, with a view
// that records the message boxes.
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
      : mode(engine.Wizard().m_nWizardMode = wizardMode), sheet(engine), runner(sheet, view) {
    runner.Start();
  }

  // The text a control of a page (by default the active one) shows.
  std::string Text(int id, const CPage* page = nullptr) const {
    const ControlState* control = runner.FindControl(page != nullptr ? *page : runner.Active(), id);
    return control != nullptr ? control->text : "<none>";
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

}  // namespace zr::testing

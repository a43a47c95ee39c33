// The mode chooser: install or uninstall; Next adds the pages of the chosen
// flow, with the debug page when the last key pressed on it was D (or key 4
// of the numeric keypad).
#pragma once

#include "res/control_ids.h"
#include "wizard/page.h"

namespace zr {

// The pages the chooser adds to the wizard; the sheet that owns them hands
// them over, so the chooser needs nothing of the sheet itself.
struct ChooserPages {
  CPage& install;          // install start
  CPage& installDetect;    // device detection
  CPage& installComplete;  // install completion
  CPage& select;           // uninstall selection
  CPage& detected;         // detected drivers
  CPage& complete;         // uninstall completion
  CPage& debug;            // debug information
};

class CPage0 final : public CPage {
 public:
  CPage0(CRegEdit& engine, const ChooserPages& pages) : CPage(res::kDialogChooser, "CPage0", engine), pages_(pages) {}

  bool OnSetActive() override;
  int OnWizardNext() override;
  void OnKeyDown(unsigned virtualKey) override;
  void DoDataExchange(DataExchange& dx) override;

  int m_nChoice = -1;

 private:
  ChooserPages pages_;
};

}  // namespace zr

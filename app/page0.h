// The mode chooser: install or uninstall; Next adds the pages of the chosen
// flow, with the debug page when the last key pressed on it was D (or key 4
// of the numeric keypad).
#pragma once

#include "app/page.h"

namespace zr {

class CDrvSheet;

class CPage0 final : public CPage {
 public:
  CPage0(CRegEdit& engine, CDrvSheet& sheet) : CPage(134, "CPage0", engine), sheet_(sheet) {}

  bool OnSetActive() override;
  int OnWizardNext() override;
  void OnKeyDown(unsigned virtualKey) override;
  void DoDataExchange(DataExchange& dx) override;

  int m_nChoice = -1;

 private:
  CDrvSheet& sheet_;
};

}  // namespace zr

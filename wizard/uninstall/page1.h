// The selection page: the Windows version, and which kinds of driver to
// remove; Next stores the ticks and runs detection for each ticked kind.
#pragma once

#include "res/control_ids.h"
#include "wizard/page.h"

namespace zr {

class CPage1 final : public CPage {
 public:
  explicit CPage1(CRegEdit& engine) : CPage(res::kDialogSelect, "CPage1", engine) {}

  bool OnSetActive() override;
  int OnWizardNext() override;
  void DoDataExchange(DataExchange& dx) override;

  std::string m_strOs;
  int m_bModem = 0;
  int m_bLan = 0;
};

}  // namespace zr

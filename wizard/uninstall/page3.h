// The detected-drivers page: a removal plan per kind from the detection
// words, what was found, and on Next the removal the plans call for.
#pragma once

#include "res/control_ids.h"
#include "wizard/page.h"

namespace zr {

class CPage3 final : public CPage {
 public:
  explicit CPage3(CRegEdit& engine) : CPage(res::kDialogDetected, "CPage3", engine) {}

  bool OnSetActive() override;
  int OnWizardBack() override { return kMove; }
  int OnWizardNext() override;
  void DoDataExchange(DataExchange& dx) override;

  std::string m_strModem;
  std::string m_strLan;
  std::string m_strHead;
  std::string m_strNote;

 private:
  void PlanForWin9x();
  void PlanForNt();
  void RemoveModemSide();
  void RemoveLanSide();
};

}  // namespace zr

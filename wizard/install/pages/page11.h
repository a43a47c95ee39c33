// The device detection page: every three seconds a fresh USB snapshot, until
// the device appears or about three minutes have passed.
#pragma once

#include "res/control_ids.h"
#include "wizard/page.h"

namespace zr {

class CPage11 final : public CPage {
 public:
  static constexpr int kTimer = 1;
  static constexpr unsigned kPeriodMs = 3000;

  explicit CPage11(CRegEdit& engine) : CPage(res::kDialogInstallDetect, "CPage11", engine) {}

  bool OnSetActive() override;
  int OnWizardBack() override { return Leave(); }
  int OnWizardNext() override { return Leave(); }
  void OnTimer(int id) override;
  void DoDataExchange(DataExchange& dx) override;

  std::string m_strStatus;
  std::string m_strModem;
  std::string m_strGuide;
  std::string m_strLan;
  int m_nTimerId = 0;
  int m_nTicks = 0;

 private:
  int Leave();
  // One enumeration for `description`; on a find, the status, the line and
  // the found bit when the plan staged that set.
  void Poll(std::string_view enumKey, std::string_view description, int kind, int planBit, std::string& line);
};

}  // namespace zr

// The install completion page: the outcome, and how to connect the device
// when its drivers were just staged.
#pragma once

#include "res/control_ids.h"
#include "wizard/page.h"

namespace zr {

class CPage12 final : public CPage {
 public:
  explicit CPage12(CRegEdit& engine) : CPage(res::kDialogInstallComplete, "CPage12", engine) {}

  bool OnSetActive() override;
  void DoDataExchange(DataExchange& dx) override;

  std::string m_strStatus;
  std::string m_strMsg1;
  std::string m_strMsg2;
  std::string m_strMsg3;
};

}  // namespace zr

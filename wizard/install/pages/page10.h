// The install start page: how to set switch 7 for this Windows; Next runs
// both detections, plans the missing driver sets and stages them.
#pragma once

#include "res/control_ids.h"
#include "wizard/page.h"

namespace zr {

class CPage10 final : public CPage {
 public:
  explicit CPage10(CRegEdit& engine) : CPage(res::kDialogInstallStart, "CPage10", engine) {}

  bool OnSetActive() override;
  int OnWizardNext() override;
  void DoDataExchange(DataExchange& dx) override;

  std::string m_strOs;
  std::string m_strMsg1;
  std::string m_strMsg2;
  std::string m_strMsg3;
  std::string m_strMsg4;
};

}  // namespace zr

// The completion page: whether anything was removed; Finish restarts
// Windows when a removal was planned.
#pragma once

#include "res/control_ids.h"
#include "wizard/page.h"

namespace zr {

class CPage4 final : public CPage {
 public:
  explicit CPage4(CRegEdit& engine) : CPage(res::kDialogComplete, "CPage4", engine) {}

  bool OnSetActive() override;
  bool OnWizardFinish() override;
  void DoDataExchange(DataExchange& dx) override;

  std::string m_strResult;
  std::string m_strRestart;
};

}  // namespace zr

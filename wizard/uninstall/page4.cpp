#include "wizard/uninstall/page4.h"

#include "engine/windows_version.h"
#include "res/control_ids.h"
#include "wizard/uninstall/removal_plan.h"

namespace zr {
namespace {

bool AnythingRemoved(const CRegEdit& engine) {
  const WizardState& wizard = engine.Wizard();
  return plan::RemovesSomething(wizard.m_nModemPlan) || plan::RemovesSomething(wizard.m_nLanPlan);
}

// Only the two families the removal knows can have removed anything.
bool RemovalWindows(const CRegEdit& engine) { return engine.WinKind() == kWinKind9x || engine.WinKind() == kWinKindNt; }

}  // namespace

bool CPage4::OnSetActive() {
  PostButtons(kButtonFinish);
  CRegEdit& engine = Engine();
  m_strResult.clear();
  m_strRestart.clear();
  if (RemovalWindows(engine)) {
    if (AnythingRemoved(engine)) {
      m_strResult = "USBドライバのアンインストールを完了しました";
      m_strRestart = "「完了」ボタンをクリック後パソコンを再起動します";
    } else {
      m_strResult = "USBドライバはインストールされていません";
    }
  }
  UpdateData(false);
  return true;
}

bool CPage4::OnWizardFinish() {
  CRegEdit& engine = Engine();
  if (RemovalWindows(engine) && AnythingRemoved(engine)) {
    if (engine.WinKind() == kWinKindNt) engine.EnableShutdownPrivilege();
    engine.Platform().Power().RequestRestart();
  }
  return true;
}

void CPage4::DoDataExchange(DataExchange& dx) {
  dx.Text(res::kIdCompleteResult, m_strResult, 128);
  dx.Text(res::kIdCompleteRestart, m_strRestart, 128);
}

}  // namespace zr

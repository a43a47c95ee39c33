#include "wizard/uninstall/page4.h"

namespace zr {
namespace {

bool AnythingRemoved(const CRegEdit& engine) { return engine.m_nModemPlan > 0 || engine.m_nLanPlan > 0; }

}  // namespace

bool CPage4::OnSetActive() {
  PostButtons(kButtonFinish);
  CRegEdit& engine = Engine();
  m_strResult.clear();
  m_strRestart.clear();
  if (engine.m_nWinKind == 1 || engine.m_nWinKind == 2) {
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
  if ((engine.m_nWinKind == 1 || engine.m_nWinKind == 2) && AnythingRemoved(engine)) {
    if (engine.m_nWinKind == 2) engine.EnableShutdownPrivilege();
    engine.Platform().Power().RequestRestart();
  }
  return true;
}

void CPage4::DoDataExchange(DataExchange& dx) {
  dx.Text(1000, m_strResult, 128);
  dx.Text(1003, m_strRestart, 128);
}

}  // namespace zr

#include "wizard/install/pages/page12.h"

#include "res/control_ids.h"
#include "wizard/install/install_plan.h"

namespace zr {

bool CPage12::OnSetActive() {
  PostButtons(kButtonFinish);
  WizardState& wizard = Wizard();
  if (wizard.m_nInstallState == install::kWatchTimedOut) {
    m_strStatus = "デバイスがインストールされていません。";
  } else if (wizard.m_nInstallFound == 0) {
    m_strStatus = "既にインストールされています。";
  } else {
    m_strStatus = "インストールが完了しました。";
    m_strMsg2 = "ZR-77Q5Kの電源を入れてUSBポートに";
    m_strMsg3 = "USBケーブルを接続してください。";
  }
  UpdateData(false);
  return true;
}

void CPage12::DoDataExchange(DataExchange& dx) {
  dx.Text(res::kIdInstallDoneStatus, m_strStatus, 128);
  dx.Text(res::kIdInstallDoneMsg1, m_strMsg1, 128);
  dx.Text(res::kIdInstallDoneMsg2, m_strMsg2, 128);
  dx.Text(res::kIdInstallDoneMsg3, m_strMsg3, 128);
}

}  // namespace zr

#include "wizard/install/pages/page12.h"

namespace zr {

bool CPage12::OnSetActive() {
  PostButtons(kButtonFinish);
  CRegEdit& engine = Engine();
  if (engine.m_nInstallState == 0x9999) {
    m_strStatus = "デバイスがインストールされていません。";
  } else if (engine.m_nInstallFound == 0) {
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
  dx.Text(1011, m_strStatus, 128);
  dx.Text(1015, m_strMsg1, 128);
  dx.Text(1016, m_strMsg2, 128);
  dx.Text(1017, m_strMsg3, 128);
}

}  // namespace zr

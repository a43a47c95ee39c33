#include "wizard/install/pages/page11.h"

#include "engine/device_names.h"

namespace zr {

bool CPage11::OnSetActive() {
  PostButtons(kButtonBack | kButtonNext);
  m_strStatus = "状態：デバイス検出中・・・";
  m_strModem.clear();
  m_strGuide = "USBケーブルを接続してください。";
  m_nTimerId = Sheet() != nullptr && Sheet()->SetTimer(*this, kTimer, kPeriodMs) ? 1 : 0;
  CRegEdit& engine = Engine();
  engine.m_nInstallFound = 0;
  engine.m_nInstallState = 0;
  m_nTicks = 0;
  UpdateData(false);
  return true;
}

int CPage11::Leave() {
  if (Engine().m_nInstallState == 0) return kStay;
  if (Sheet() != nullptr) Sheet()->KillTimer(*this, kTimer);
  return kMove;
}

void CPage11::Poll(std::string_view enumKey, std::string_view description, int kind, int planBit,
                   std::string& line) {
  CRegEdit& engine = Engine();
  if (engine.EnumUsbDevices(enumKey, description, kind) != 1) return;
  m_strStatus = "状態：次のデバイスを検出しました。";
  line = std::string(description);
  if (engine.m_nInstallPlan & planBit) engine.m_nInstallFound |= planBit;
  engine.m_nInstallState = 1;
}

void CPage11::OnTimer(int) {
  if (m_nTimerId != 1) return;
  CRegEdit& engine = Engine();
  // The watch ends in the 62nd tick; that tick still polls, and a find in it
  // sets the state back to 1.
  if (m_nTicks > 60) {
    engine.m_nInstallState = 0x9999;
    if (Sheet() != nullptr) Sheet()->KillTimer(*this, kTimer);
  }
  if (engine.m_nWinKind == 1) {
    Poll(device::kUsbEnum9x, device::kPortAdapter, 1, 0x001, m_strModem);
    Poll(device::kUsbEnum9x, device::kLanAdapter, 1, 0x002, m_strLan);
  } else if (engine.m_nWinKind == 2) {
    Poll(device::kUsbEnumNt, device::kModemInstance, 2, 0x100, m_strModem);
    Poll(device::kUsbEnumNt, device::kLanAdapter, 2, 0x200, m_strLan);
  }
  ++m_nTicks;
  UpdateData(false);
}

void CPage11::DoDataExchange(DataExchange& dx) {
  dx.Text(1011, m_strStatus, 128);
  dx.Text(1015, m_strModem, 128);
  dx.Text(1018, m_strGuide, 128);
  dx.Text(1016, m_strLan, 128);
}

}  // namespace zr

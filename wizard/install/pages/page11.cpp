#include "wizard/install/pages/page11.h"

#include "engine/device_names.h"
#include "engine/windows_version.h"
#include "res/control_ids.h"
#include "wizard/install/install_plan.h"

namespace zr {

bool CPage11::OnSetActive() {
  PostButtons(kButtonBack | kButtonNext);
  m_strStatus = "状態：デバイス検出中・・・";
  m_strModem.clear();
  m_strGuide = "USBケーブルを接続してください。";
  m_nTimerId = Sheet() != nullptr && Sheet()->SetTimer(*this, kTimer, kPeriodMs) ? 1 : 0;
  WizardState& wizard = Wizard();
  wizard.m_nInstallFound = 0;
  wizard.m_nInstallState = install::kWatching;
  m_nTicks = 0;
  UpdateData(false);
  return true;
}

int CPage11::Leave() {
  if (Wizard().m_nInstallState == install::kWatching) return kStay;
  if (Sheet() != nullptr) Sheet()->KillTimer(*this, kTimer);
  return kMove;
}

void CPage11::Poll(std::string_view enumKey, std::string_view description, int kind, int planBit, std::string& line) {
  CRegEdit& engine = Engine();
  WizardState& wizard = Wizard();
  if (engine.EnumUsbDevices(enumKey, description, kind) != 1) return;
  m_strStatus = "状態：次のデバイスを検出しました。";
  line = std::string(description);
  if (wizard.m_nInstallPlan & planBit) wizard.m_nInstallFound |= planBit;
  wizard.m_nInstallState = install::kDeviceSeen;
}

void CPage11::OnTimer(int) {
  if (m_nTimerId != 1) return;
  CRegEdit& engine = Engine();
  WizardState& wizard = Wizard();
  // The watch ends in the 62nd tick; that tick still polls, and a find in it
  // sets the state back to 1.
  if (m_nTicks > 60) {
    wizard.m_nInstallState = install::kWatchTimedOut;
    if (Sheet() != nullptr) Sheet()->KillTimer(*this, kTimer);
  }
  if (engine.WinKind() == kWinKind9x) {
    Poll(device::kUsbEnum9x, device::kPortAdapter, kWinKind9x, install::kModemSet9x, m_strModem);
    Poll(device::kUsbEnum9x, device::kLanAdapter, kWinKind9x, install::kLanSet9x, m_strLan);
  } else if (engine.WinKind() == kWinKindNt) {
    Poll(device::kUsbEnumNt, device::kModemInstance, kWinKindNt, install::kModemSetNt, m_strModem);
    Poll(device::kUsbEnumNt, device::kLanAdapter, kWinKindNt, install::kLanSetNt, m_strLan);
  }
  ++m_nTicks;
  UpdateData(false);
}

void CPage11::DoDataExchange(DataExchange& dx) {
  dx.Text(res::kIdDetectStatus, m_strStatus, 128);
  dx.Text(res::kIdDetectModem, m_strModem, 128);
  dx.Text(res::kIdDetectGuide, m_strGuide, 128);
  dx.Text(res::kIdDetectLan, m_strLan, 128);
}

}  // namespace zr

#include "wizard/install/pages/page10.h"

#include "detect/detection_bits.h"
#include "engine/windows_version.h"
#include "res/control_ids.h"
#include "wizard/install/install_plan.h"

namespace zr {
namespace {

constexpr char kSwitchOn[] = "ZR-77Q5Kの設定スイッチ７番を\"ON\"に切り替えてご使用ください。";
constexpr char kSwitchOff[] = "ZR-77Q5Kの設定スイッチ７番を\"OFF\"に切り替えてご使用ください。";
constexpr char kPowerOff[] = "設定スイッチ変更時は、ZR-77Q5Kの電源を切ってください。";
constexpr char kStartHint[] = "　　「次へ」ボタンをクリックするとインストールを開始します。";

}  // namespace

bool CPage10::OnSetActive() {
  PostButtons(kButtonNext);
  CRegEdit& engine = Engine();
  m_strOs = "OS : " + FromEngineText(engine, engine.OsName().view());
  m_strMsg1.clear();
  m_strMsg2.clear();
  m_strMsg3.clear();
  m_strMsg4 = kStartHint;
  switch (engine.WinVersion()) {
    case kWinVersion98:
      m_strMsg1 = kSwitchOn;
      m_strMsg2 = kPowerOff;
      break;
    case kWinVersionMe:
    case kWinVersion2000:
    case kWinVersionXp:
      m_strMsg1 = kSwitchOff;
      m_strMsg2 = kPowerOff;
      break;
    default:
      m_strMsg1 = "未サポートのオペレーティング・システムです。";
      m_strMsg2 = "インストールできません。";
      m_strMsg4.clear();
      // The user can only close the wizard.
      PostButtons(kButtonFinish);
      break;
  }
  UpdateData(false);
  return true;
}

int CPage10::OnWizardNext() {
  UpdateData(true);
  CRegEdit& engine = Engine();
  WizardState& wizard = Wizard();
  wizard.m_nInstallPlan = 0;
  wizard.m_nModemDetect = engine.DetectModem();
  wizard.m_nLanDetect = engine.DetectUsbLan();
  const int modem = wizard.m_nModemDetect;
  const int lan = wizard.m_nLanDetect;
  using namespace detection;
  const bool lanInstalled = (lan & kLanKey) || InfFilesFound(lan);
  if (engine.WinKind() == kWinKind9x) {
    if (!(modem & (kPortAdapterKey | kWdmKey | kWdmModemKey)) && !InfFilesFound(modem))
      wizard.m_nInstallPlan |= install::kModemSet9x;
    if (!lanInstalled) wizard.m_nInstallPlan |= install::kLanSet9x;
  } else if (engine.WinKind() == kWinKindNt) {
    if (!(modem & kWdmModemKey) && !InfFilesFound(modem)) wizard.m_nInstallPlan |= install::kModemSetNt;
    if (!lanInstalled) wizard.m_nInstallPlan |= install::kLanSetNt;
  }
  if (wizard.m_nInstallPlan != 0) engine.CopyDriverFiles(wizard.m_nInstallPlan);
  // Without the detection page the outcome is decided here.
  if (!IsDebugKey(wizard.m_chLastKey)) {
    wizard.m_nInstallState = install::kDeviceSeen;
    wizard.m_nInstallFound = wizard.m_nInstallPlan != 0 ? install::kStagedUnwatched : 0;
  }
  return kMove;
}

void CPage10::DoDataExchange(DataExchange& dx) {
  dx.Text(res::kIdInstallOs, m_strOs, 128);
  dx.Text(res::kIdInstallMsg1, m_strMsg1, 128);
  dx.Text(res::kIdInstallMsg2, m_strMsg2, 128);
  dx.Text(res::kIdInstallMsg3, m_strMsg3, 128);
  dx.Text(res::kIdInstallMsg4, m_strMsg4, 128);
}

}  // namespace zr

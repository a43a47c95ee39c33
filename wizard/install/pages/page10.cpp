#include "wizard/install/pages/page10.h"

#include "engine/device_names.h"

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
  m_strOs = "OS : " + FromEngineText(engine, engine.m_szOsName.view());
  m_strMsg1.clear();
  m_strMsg2.clear();
  m_strMsg3.clear();
  m_strMsg4 = kStartHint;
  switch (engine.m_nWinVersion) {
    case 3:
      m_strMsg1 = kSwitchOn;
      m_strMsg2 = kPowerOff;
      break;
    case 4:
    case 6:
    case 7:
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
  engine.m_nInstallPlan = 0;
  engine.m_nModemDetect = engine.DetectModem();
  engine.m_nLanDetect = engine.DetectUsbLan();
  const int modem = engine.m_nModemDetect;
  const int lan = engine.m_nLanDetect;
  if (engine.m_nWinKind == 1) {
    if (!(modem & (0x02 | 0x04 | 0x08)) && !device::InfFilesFound(modem)) engine.m_nInstallPlan |= 0x001;
    if (!(lan & 0x10) && !device::InfFilesFound(lan)) engine.m_nInstallPlan |= 0x002;
  } else if (engine.m_nWinKind == 2) {
    if (!(modem & 0x08) && !device::InfFilesFound(modem)) engine.m_nInstallPlan |= 0x100;
    if (!(lan & 0x10) && !device::InfFilesFound(lan)) engine.m_nInstallPlan |= 0x200;
  }
  if (engine.m_nInstallPlan != 0) engine.CopyDriverFiles(engine.m_nInstallPlan);
  // Without the detection page the outcome is decided here.
  if (!IsDebugKey(engine.m_chLastKey)) {
    engine.m_nInstallState = 1;
    engine.m_nInstallFound = engine.m_nInstallPlan != 0 ? 1 : 0;
  }
  return kMove;
}

void CPage10::DoDataExchange(DataExchange& dx) {
  dx.Text(1000, m_strOs, 128);
  dx.Text(1011, m_strMsg1, 128);
  dx.Text(1015, m_strMsg2, 128);
  dx.Text(1016, m_strMsg3, 128);
  dx.Text(1017, m_strMsg4, 128);
}

}  // namespace zr

#include "wizard/uninstall/page3.h"

#include "engine/device_names.h"

#include "engine/opened_key.h"

namespace zr {
namespace {

constexpr char kNotTicked[] = "チェックされていません";
constexpr char kNotInstalled[] = "インストールされていません";
constexpr char kCannotUninstall[] = "アンインストールできません";


// One RegDeleteKeyA on HKEY_LOCAL_MACHINE (9x takes the sub-tree along).
void DeleteMachineKey(CRegEdit& engine, std::string_view path) {
  IRegistry& registry = engine.Platform().Registry();
  registry.DeleteKey(IRegistry::kRootHandle, path);
}

}  // namespace

bool CPage3::OnSetActive() {
  PostButtons(kButtonBack | kButtonNext);
  CRegEdit& engine = Engine();
  engine.m_nModemPlan = -1;
  engine.m_nLanPlan = -1;
  m_strModem = kNotTicked;
  m_strLan = kNotTicked;
  if (engine.m_nWinKind == 1) {
    PlanForWin9x();
  } else if (engine.m_nWinKind == 2) {
    PlanForNt();
  } else {
    m_strModem = m_strLan = kCannotUninstall;
    engine.m_nModemPlan = engine.m_nLanPlan = -4;
    if (engine.m_bSelModem == 0) {
      m_strModem = kNotTicked;
      engine.m_nModemPlan = -1;
    }
    if (engine.m_bSelLan == 0) {
      m_strLan = kNotTicked;
      engine.m_nLanPlan = -1;
    }
  }
  if (engine.m_nModemPlan > 0 || engine.m_nLanPlan > 0) {
    m_strHead = "検出した以下のＵＳＢドライバを削除します。";
    m_strNote = "※「次へ」ボタンをクリックすることで削除されます。";
  } else {
    m_strNote = "※「次へ」ボタンをクリックしてください。";
  }
  UpdateData(false);
  return true;
}

void CPage3::PlanForWin9x() {
  CRegEdit& engine = Engine();
  if (engine.m_bSelModem == 1) {
    const int word = engine.m_nModemDetect;
    const int plan = (word & 0x02)       ? 1
                     : (word & 0x04)     ? 2
                     : (word & 0x08)     ? 3
                     : (word & 0x20)     ? 4
                     : device::InfFilesFound(word) ? 5
                                          : -2;
    engine.m_nModemPlan = plan;
    m_strModem = plan > 0 ? device::kPortAdapter : kNotInstalled;
  }
  if (engine.m_bSelLan == 1) {
    const int word = engine.m_nLanDetect;
    // Here the INF-only test comes before bit 0x20.
    const int plan = (word & 0x10) ? 1 : device::InfFilesFound(word) ? 2 : (word & 0x20) ? 3 : -2;
    engine.m_nLanPlan = plan;
    m_strLan = plan > 0 ? device::kLanAdapter : kNotInstalled;
  }
}

void CPage3::PlanForNt() {
  CRegEdit& engine = Engine();
  if (engine.m_bSelModem == 1) {
    const int word = engine.m_nModemDetect;
    const int plan = (word & 0x08) ? 6 : device::InfFilesFound(word) ? 7 : -2;
    engine.m_nModemPlan = plan;
    m_strModem = plan > 0 ? device::kModemInstance : kNotInstalled;
  }
  if (engine.m_bSelLan == 1) {
    const int word = engine.m_nLanDetect;
    const int plan = (word & 0x10) ? 4 : device::InfFilesFound(word) ? 5 : -2;
    engine.m_nLanPlan = plan;
    m_strLan = plan > 0 ? device::kLanAdapter : kNotInstalled;
  }
}

int CPage3::OnWizardNext() {
  RemoveModemSide();
  RemoveLanSide();
  return kMove;
}

void CPage3::RemoveModemSide() {
  CRegEdit& engine = Engine();
  if (engine.m_bSelModem != 1) return;
  switch (engine.m_nModemPlan) {
    case 1:
      engine.RemovePortClass(1);
      break;
    case 2:
      engine.RemoveWdmClass(1);
      break;
    case 3:
      engine.RemoveWdmModemClass(1);
      engine.RemovePortClass(1);
      break;
    case 4:
      DeleteMachineKey(engine, "ENUM\\USB\\VID_0E9C&PID_0020");
      DeleteMachineKey(engine, "ENUM\\USB\\VID_0E9C&PID_0021");
      break;
    case 5:
      engine.RemovePortClass(1);
      engine.RemoveWdmClass(1);
      engine.RemoveWdmModemClass(1);
      break;
    case 6:
    case 7:
      engine.RemoveWdmModemClass(2);
      break;
    default:
      break;
  }
}

void CPage3::RemoveLanSide() {
  CRegEdit& engine = Engine();
  if (engine.m_bSelLan != 1) return;
  switch (engine.m_nLanPlan) {
    case 1:
    case 2:
      engine.RemoveLanClass(1);
      break;
    case 3:
      DeleteMachineKey(engine, "ENUM\\USB\\VID_0E9C&PID_0022");
      break;
    case 4:
    case 5:
      engine.RemoveLanClass(2);
      break;
    default:
      break;
  }
}

void CPage3::DoDataExchange(DataExchange& dx) {
  dx.Text(1000, m_strModem, 128);
  dx.Text(1003, m_strLan, 128);
  dx.Text(1011, m_strHead, 128);
  dx.Text(1015, m_strNote, 128);
}

}  // namespace zr

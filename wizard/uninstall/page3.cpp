#include "wizard/uninstall/page3.h"

#include "detect/detection_bits.h"
#include "engine/device_names.h"
#include "engine/opened_key.h"
#include "engine/windows_version.h"
#include "res/control_ids.h"
#include "wizard/uninstall/removal_plan.h"

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
  WizardState& wizard = Wizard();
  wizard.m_nModemPlan = plan::kNotTicked;
  wizard.m_nLanPlan = plan::kNotTicked;
  m_strModem = kNotTicked;
  m_strLan = kNotTicked;
  if (engine.WinKind() == kWinKind9x) {
    PlanForWin9x();
  } else if (engine.WinKind() == kWinKindNt) {
    PlanForNt();
  } else {
    m_strModem = m_strLan = kCannotUninstall;
    wizard.m_nModemPlan = wizard.m_nLanPlan = plan::kUnsupportedWindows;
    if (wizard.m_bSelModem == 0) {
      m_strModem = kNotTicked;
      wizard.m_nModemPlan = plan::kNotTicked;
    }
    if (wizard.m_bSelLan == 0) {
      m_strLan = kNotTicked;
      wizard.m_nLanPlan = plan::kNotTicked;
    }
  }
  if (plan::RemovesSomething(wizard.m_nModemPlan) || plan::RemovesSomething(wizard.m_nLanPlan)) {
    m_strHead = "検出した以下のＵＳＢドライバを削除します。";
    m_strNote = "※「次へ」ボタンをクリックすることで削除されます。";
  } else {
    m_strNote = "※「次へ」ボタンをクリックしてください。";
  }
  UpdateData(false);
  return true;
}

void CPage3::PlanForWin9x() {
  WizardState& wizard = Wizard();
  if (wizard.m_bSelModem == 1) {
    const int word = wizard.m_nModemDetect;
    const int code = (word & detection::kPortAdapterKey) ? plan::kPortAdapter9x
                     : (word & detection::kWdmKey)       ? plan::kWdm9x
                     : (word & detection::kWdmModemKey)  ? plan::kWdmModem9x
                     : (word & detection::kEnumerated)   ? plan::kModemEnumOnly9x
                     : detection::InfFilesFound(word)    ? plan::kModemInfOnly9x
                                                         : plan::kNothingFound;
    wizard.m_nModemPlan = code;
    m_strModem = plan::RemovesSomething(code) ? device::kPortAdapter : kNotInstalled;
  }
  if (wizard.m_bSelLan == 1) {
    const int word = wizard.m_nLanDetect;
    // Here the INF-only test comes before the enumeration bit.
    const int code = (word & detection::kLanKey)       ? plan::kLan9x
                     : detection::InfFilesFound(word)  ? plan::kLanInfOnly9x
                     : (word & detection::kEnumerated) ? plan::kLanEnumOnly9x
                                                       : plan::kNothingFound;
    wizard.m_nLanPlan = code;
    m_strLan = plan::RemovesSomething(code) ? device::kLanAdapter : kNotInstalled;
  }
}

void CPage3::PlanForNt() {
  WizardState& wizard = Wizard();
  if (wizard.m_bSelModem == 1) {
    const int word = wizard.m_nModemDetect;
    const int code = (word & detection::kWdmModemKey) ? plan::kWdmModemNt
                     : detection::InfFilesFound(word) ? plan::kModemInfOnlyNt
                                                      : plan::kNothingFound;
    wizard.m_nModemPlan = code;
    m_strModem = plan::RemovesSomething(code) ? device::kModemInstance : kNotInstalled;
  }
  if (wizard.m_bSelLan == 1) {
    const int word = wizard.m_nLanDetect;
    const int code = (word & detection::kLanKey)      ? plan::kLanNt
                     : detection::InfFilesFound(word) ? plan::kLanInfOnlyNt
                                                      : plan::kNothingFound;
    wizard.m_nLanPlan = code;
    m_strLan = plan::RemovesSomething(code) ? device::kLanAdapter : kNotInstalled;
  }
}

int CPage3::OnWizardNext() {
  RemoveModemSide();
  RemoveLanSide();
  return kMove;
}

void CPage3::RemoveModemSide() {
  CRegEdit& engine = Engine();
  WizardState& wizard = Wizard();
  if (wizard.m_bSelModem != 1) return;
  switch (wizard.m_nModemPlan) {
    case plan::kPortAdapter9x:
      engine.RemovePortClass(1);
      break;
    case plan::kWdm9x:
      engine.RemoveWdmClass(1);
      break;
    case plan::kWdmModem9x:
      engine.RemoveWdmModemClass(1);
      engine.RemovePortClass(1);
      break;
    case plan::kModemEnumOnly9x:
      DeleteMachineKey(engine, "ENUM\\USB\\VID_0E9C&PID_0020");
      DeleteMachineKey(engine, "ENUM\\USB\\VID_0E9C&PID_0021");
      break;
    case plan::kModemInfOnly9x:
      engine.RemovePortClass(1);
      engine.RemoveWdmClass(1);
      engine.RemoveWdmModemClass(1);
      break;
    case plan::kWdmModemNt:
    case plan::kModemInfOnlyNt:
      engine.RemoveWdmModemClass(2);
      break;
    default:
      break;
  }
}

void CPage3::RemoveLanSide() {
  CRegEdit& engine = Engine();
  WizardState& wizard = Wizard();
  if (wizard.m_bSelLan != 1) return;
  switch (wizard.m_nLanPlan) {
    case plan::kLan9x:
    case plan::kLanInfOnly9x:
      engine.RemoveLanClass(1);
      break;
    case plan::kLanEnumOnly9x:
      DeleteMachineKey(engine, "ENUM\\USB\\VID_0E9C&PID_0022");
      break;
    case plan::kLanNt:
    case plan::kLanInfOnlyNt:
      engine.RemoveLanClass(2);
      break;
    default:
      break;
  }
}

void CPage3::DoDataExchange(DataExchange& dx) {
  dx.Text(res::kIdDetectedModem, m_strModem, 128);
  dx.Text(res::kIdDetectedLan, m_strLan, 128);
  dx.Text(res::kIdDetectedHead, m_strHead, 128);
  dx.Text(res::kIdDetectedNote, m_strNote, 128);
}

}  // namespace zr

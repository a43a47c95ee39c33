#include "wizard/uninstall/page1.h"

#include "res/control_ids.h"

namespace zr {

bool CPage1::OnSetActive() {
  PostButtons(kButtonNext);
  CRegEdit& engine = Engine();
  WizardState& wizard = Wizard();
  m_strOs = "OS : " + FromEngineText(engine, engine.OsName().view());
  // A return by Back shows the earlier ticks.
  m_bModem = wizard.m_bSelModem;
  m_bLan = wizard.m_bSelLan;
  UpdateData(false);
  return true;
}

int CPage1::OnWizardNext() {
  UpdateData(true);
  CRegEdit& engine = Engine();
  WizardState& wizard = Wizard();
  wizard.m_bSelModem = m_bModem;
  wizard.m_bSelLan = m_bLan;
  if (m_bModem == 1) wizard.m_nModemDetect = engine.DetectModem();
  if (wizard.m_bSelLan == 1) wizard.m_nLanDetect = engine.DetectUsbLan();
  // Nothing ticked: the instruction line already says what to do.
  if (m_bModem == 0 && m_bLan == 0) return kStay;
  return kMove;
}

void CPage1::DoDataExchange(DataExchange& dx) {
  dx.Text(res::kIdSelectOs, m_strOs, 128);
  dx.Check(res::kIdSelectModem, m_bModem);
  dx.Check(res::kIdSelectLan, m_bLan);
}

}  // namespace zr

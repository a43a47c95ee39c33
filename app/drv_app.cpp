#include "app/drv_sheet.h"
#include "app/wizard_host.h"

namespace zr {

bool RunApplication(CRegEdit& engine, IWizardHost& host, char wizardMode) {
  engine.Wizard().m_nWizardMode = wizardMode;
  engine.CheckWindowsVersion();
  CDrvSheet sheet(engine);
  host.RunModal(sheet);
  return false;
}

}  // namespace zr

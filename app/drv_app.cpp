#include "app/drv_sheet.h"
#include "app/wizard_host.h"

namespace zr {

bool RunApplication(CRegEdit& engine, IWizardHost& host) {
  engine.m_nWizardMode = 2;
  engine.CheckWindowsVersion();
  CDrvSheet sheet(engine);
  host.RunModal(sheet);
  return false;
}

}  // namespace zr

#include "app/drv_sheet.h"

namespace zr {

CDrvSheet::CDrvSheet(CRegEdit& engine)
    : m_page0(engine, {m_page10, m_page11, m_page12, m_page1, m_page3, m_page4, m_page2}),
      m_page1(engine),
      m_page2(engine),
      m_page3(engine),
      m_page4(engine),
      m_page10(engine),
      m_page11(engine),
      m_page12(engine),
      engine_(engine) {
  switch (engine.Wizard().m_nWizardMode) {
    case kWizardModeInstall:
      AddPage(m_page10);
      AddPage(m_page11);
      AddPage(m_page12);
      break;
    case kWizardModeUninstall:
      AddPage(m_page1);
      AddPage(m_page3);
      AddPage(m_page4);
      break;
    default:
      AddPage(m_page0);
      break;
  }
}

}  // namespace zr

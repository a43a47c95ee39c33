#include "app/drv_sheet.h"

namespace zr {

CDrvSheet::CDrvSheet(CRegEdit& engine) : m_page1(engine), m_page3(engine), m_page4(engine), engine_(engine) {
  switch (engine.m_nWizardMode) {
    case 2:
      AddPage(m_page1);
      AddPage(m_page3);
      AddPage(m_page4);
      break;
    default:
      break;
  }
}

}  // namespace zr

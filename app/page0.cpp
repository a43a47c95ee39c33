#include "app/page0.h"

#include "app/drv_sheet.h"
#include "wizard/install/pages/page10.h"

namespace zr {

bool CPage0::OnSetActive() {
  PostButtons(kButtonNext);
  m_nChoice = 0;
  UpdateData(false);
  return true;
}

void CPage0::OnKeyDown(unsigned virtualKey) { Engine().m_chLastKey = static_cast<char>(virtualKey & 0xFF); }

int CPage0::OnWizardNext() {
  UpdateData(true);
  const bool debug = IsDebugKey(Engine().m_chLastKey);
  auto add = [this](CPage& page) {
    if (Sheet() != nullptr) Sheet()->AddPage(page);
  };
  if (m_nChoice == 0) {
    add(sheet_.m_page10);
    if (debug) {
      add(sheet_.m_page2);
      add(sheet_.m_page11);
    }
    add(sheet_.m_page12);
  } else {
    add(sheet_.m_page1);
    if (debug) add(sheet_.m_page2);
    add(sheet_.m_page3);
    add(sheet_.m_page4);
  }
  return kMove;
}

void CPage0::DoDataExchange(DataExchange& dx) { dx.Radio(1007, m_nChoice); }

}  // namespace zr

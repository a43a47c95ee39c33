#include "wizard/page0.h"

#include "res/control_ids.h"

namespace zr {

bool CPage0::OnSetActive() {
  PostButtons(kButtonNext);
  m_nChoice = 0;
  UpdateData(false);
  return true;
}

void CPage0::OnKeyDown(unsigned virtualKey) { Wizard().m_chLastKey = static_cast<char>(virtualKey & 0xFF); }

int CPage0::OnWizardNext() {
  UpdateData(true);
  const bool debug = IsDebugKey(Wizard().m_chLastKey);
  auto add = [this](CPage& page) {
    if (Sheet() != nullptr) Sheet()->AddPage(page);
  };
  if (m_nChoice == 0) {
    add(pages_.install);
    if (debug) {
      add(pages_.debug);
      add(pages_.installDetect);
    }
    add(pages_.installComplete);
  } else {
    add(pages_.select);
    if (debug) add(pages_.debug);
    add(pages_.detected);
    add(pages_.complete);
  }
  return kMove;
}

void CPage0::DoDataExchange(DataExchange& dx) { dx.Radio(res::kIdChooseInstall, m_nChoice); }

}  // namespace zr

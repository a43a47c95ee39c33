// The wizard state: what the pages hand each other and the engine routines
// across page changes. The engine holds the one instance (CRegEdit::Wizard());
// every value starts at 0 and only the pages that write a value change it.
#pragma once

#include "engine/fixed_text.h"

namespace zr {

class ISheetWindow;

// m_nWizardMode: the pages the sheet starts with; any value but the first
// two gives the chooser alone.
inline constexpr char kWizardModeInstall = 1;
inline constexpr char kWizardModeUninstall = 2;
inline constexpr char kWizardModeChooser = 0;

struct WizardState {
  explicit WizardState(const FixedText<260>& workFile) : m_szWorkFileCopy(workFile) {}
  WizardState(const WizardState&) = delete;
  WizardState& operator=(const WizardState&) = delete;

  int m_bSelModem = 0;     // the modem kind is ticked on the selection page
  int m_bSelLan = 0;       // the USB-LAN kind is ticked
  int m_nModemDetect = 0;  // detection words (detect/detection_bits.h)
  int m_nLanDetect = 0;
  int m_nModemPlan = 0;  // removal plan codes (wizard/uninstall/removal_plan.h)
  int m_nLanPlan = 0;
  int m_nInstallFound = 0;  // install side (wizard/install/install_plan.h)
  int m_nInstallState = 0;
  ISheetWindow* m_hSheetWnd = nullptr;  // stored by the sheet once its window exists
  char m_nWizardMode = 0;
  // The work file's path as the pages see it: the engine's own, not a
  // second buffer that could name another file.
  const FixedText<260>& m_szWorkFileCopy;
  char m_chLastKey = 0;  // low byte of the last key pressed on the chooser
  int m_nInstallPlan = 0;
};

}  // namespace zr

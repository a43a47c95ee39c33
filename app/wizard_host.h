// What runs the wizard sheet modally: the property sheet on Windows, the
// terminal (interactive or scripted) on Linux.
#pragma once

#include "engine/wizard_state.h"

namespace zr {

class CDrvSheet;
class CRegEdit;

class IWizardHost {
 public:
  virtual ~IWizardHost() = default;
  // Shows the sheet's pages and returns when the wizard has closed.
  virtual void RunModal(CDrvSheet& sheet) = 0;
};

// The wizard mode the program starts in: the uninstall pages.
inline constexpr char kStartupWizardMode = kWizardModeUninstall;

// The program's start-up: the wizard mode, version detection, the wizard run
// modally. Returns false, as the application's start-up does, so that the
// program ends when the wizard has closed. The Windows program always starts
// in kStartupWizardMode; the Linux program lets tests and demos pick the
// install pages (1) or the chooser (any other value).
bool RunApplication(CRegEdit& engine, IWizardHost& host, char wizardMode = kStartupWizardMode);

}  // namespace zr

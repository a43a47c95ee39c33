// What runs the wizard sheet modally: the property sheet on Windows, the
// terminal (interactive or scripted) on Linux.
#pragma once

namespace zr {

class CDrvSheet;
class CRegEdit;

class IWizardHost {
 public:
  virtual ~IWizardHost() = default;
  // Shows the sheet's pages and returns when the wizard has closed.
  virtual void RunModal(CDrvSheet& sheet) = 0;
};

// The program's start-up: uninstall mode, version detection, the wizard run
// modally. Returns false, as the application's start-up does, so that the
// program ends when the wizard has closed.
bool RunApplication(CRegEdit& engine, IWizardHost& host);

}  // namespace zr

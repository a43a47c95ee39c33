// What the test build of the Windows program takes on its command line:
//   --mode uninstall|install|chooser   the pages to start with
//   --geometry-log FILE                the sheet's rectangle before and after
//                                      the adjustment, appended to FILE
#pragma once

#include <string>

#include "ui/win32/property_sheet_host.h"

namespace zr::win32ui {

struct TestHooks {
  char wizardMode = kStartupWizardMode;
  std::string geometryLog;
};

TestHooks ReadTestHooks(const char* commandLine);
void LogGeometry(const std::string& file, const SheetGeometry& geometry);

}  // namespace zr::win32ui

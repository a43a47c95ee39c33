#include "ui/win32/test_hooks.h"

#include <cstdio>
#include <sstream>

namespace zr::win32ui {

TestHooks ReadTestHooks(const char* commandLine) {
  TestHooks hooks;
  std::istringstream words(commandLine != nullptr ? commandLine : "");
  std::string word;
  while (words >> word) {
    if (word == "--mode" && words >> word) {
      if (word == "install")
        hooks.wizardMode = 1;
      else if (word == "chooser")
        hooks.wizardMode = 0;
      else
        hooks.wizardMode = kStartupWizardMode;
    } else if (word == "--geometry-log") {
      words >> hooks.geometryLog;
    }
  }
  return hooks;
}

void LogGeometry(const std::string& file, const SheetGeometry& g) {
  std::FILE* out = std::fopen(file.c_str(), "a");
  if (out == nullptr) return;
  auto line = [out](const char* what, const RECT& r) {
    std::fprintf(out, "%s %ld %ld %ld %ld width %ld height %ld\n", what, static_cast<long>(r.left),
                 static_cast<long>(r.top), static_cast<long>(r.right), static_cast<long>(r.bottom),
                 static_cast<long>(r.right - r.left), static_cast<long>(r.bottom - r.top));
  };
  line("before", g.before);
  line("after", g.after);
  std::fclose(out);
}

}  // namespace zr::win32ui

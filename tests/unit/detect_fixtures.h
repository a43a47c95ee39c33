// Building blocks of the detection tests: registry keys as .reg text, the
// work file as it lies on disk, INF bodies in UTF-16LE as Windows writes
// them, and an engine after its start-up version check.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/win_codes.h"
#include "tests/support/engine_machine.h"
#include "tests/support/ini_text.h"
#include "tests/support/reg_text.h"

namespace zr::testing {

using RegValues = std::vector<std::pair<std::string, std::string>>;

// One key with string values.
inline std::string RegKeyText(std::string_view path, const RegValues& values = {}) {
  std::string text = RegKey(path);
  for (const auto& [name, value] : values) text += RegString(name, value);
  return text;
}

inline std::string Utf16Le(std::string_view ascii, bool byteOrderMark) {
  std::string out = byteOrderMark ? "\xFF\xFE" : "";
  for (char c : ascii) out += std::string{c, '\0'};
  return out;
}

struct DetectingMachine : EngineMachine {
  explicit DetectingMachine(bool win98, const std::string& reg = "")
      : EngineMachine(MachineSpec{.win98 = win98, .protectedKeys = {}, .reg = reg}) {
    Engine().CheckWindowsVersion();
  }
  IniSections WorkFile() const { return ParseIniText(WorkFileText()); }
  void File(const std::string& belowWindows, const std::string& bytes) {
    Image().Write("drive_c/WINDOWS/" + belowWindows, bytes);
  }
};

// An INF path table's entries, for comparison.
inline std::vector<std::string> Listed(std::span<const std::string> files) {
  return std::vector<std::string>(files.begin(), files.end());
}

}  // namespace zr::testing

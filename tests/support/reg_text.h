// Lines of a REGEDIT4 HKLM.reg body (what MachineSpec::reg takes), so tests
// can describe keys and values in code.
#pragma once

#include <string>
#include <string_view>

namespace zr::testing {

// The line that opens key `path` below HKEY_LOCAL_MACHINE.
inline std::string RegKey(std::string_view path) { return "[HKEY_LOCAL_MACHINE\\" + std::string(path) + "]\n"; }

// A REG_SZ value of the key opened last, its name and text quoted as a
// .reg file quotes them.
inline std::string RegString(std::string_view name, std::string_view data) {
  std::string line;
  for (const std::string_view text : {name, data}) {
    line += line.empty() ? "\"" : "=\"";
    for (const char c : text) {
      if (c == '\\' || c == '"') line += '\\';
      line += c;
    }
    line += '"';
  }
  return line + "\n";
}

}  // namespace zr::testing

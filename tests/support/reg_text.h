// Lines of a REGEDIT4 HKLM.reg body, so tests can describe keys and values
// in code; and INF text as Windows writes it in UTF-16LE.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// Registry keys of the device as Windows leaves them once it has installed
// a driver set.
namespace device_keys {

// A key below HKEY_LOCAL_MACHINE with its string values.
inline std::string Key(std::string_view path,
                       std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
  std::string text = RegKey(path);
  for (const auto& [name, data] : values) text += RegString(name, data);
  return text;
}

inline constexpr char kXpModemKey[] = "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0012\\5&2a3b1c4d&0&1";
// An instance key with its DeviceDesc and Driver values.
inline std::string Instance(std::string_view path, std::string_view description, std::string_view driver) {
  return Key(path, {{"DeviceDesc", description}, {"Driver", driver}});
}
inline std::string XpModem() {
  return Instance(kXpModemKey, "tolvek ZR-77Q5K - USB", "{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0001");
}
inline std::string XpLan() {
  return Instance("SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0022\\5&2a3b1c4d&0&2",
                  "tolvek ZR-77Q5K USB-Lan Adapter", "{4D36E972-E325-11CE-BFC1-08002BE10318}\\0007");
}
inline std::string PortAdapterInstance() {
  return Instance("Enum\\USB\\VID_0E9C&PID_0012\\7&2A3B1C4D&0&1", "tolvek ZR-77Q5K USB Port Adapter", "USB\\0002");
}
inline std::string Lan9xInstance() {
  return Instance("Enum\\USB\\VID_0E9C&PID_0022\\7&2A3B1C4D&0&2", "tolvek ZR-77Q5K USB-Lan Adapter", "Net\\0003");
}

}  // namespace device_keys

}  // namespace zr::testing

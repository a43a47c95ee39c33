// Machines for the install-side tests: a Windows release the engine knows,
// the program started beside the driver source folders, and the device
// plugged in while a test runs.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/reg_edit.h"
#include "platform/sim/machine.h"
#include "platform/win_codes.h"
#include "tests/support/reg_text.h"
#include "tests/support/temp_image.h"

namespace zr::testing {

// The [system] lines of machine.ini that differ between Windows releases.
inline constexpr char kWin98[] = "major=4\nminor=10\nbuild=0x040A08AE\nplatform=1\nsystem=C:\\WINDOWS\\SYSTEM\n";
inline constexpr char kWinMe[] = "major=4\nminor=90\nbuild=0x045A0BB8\nplatform=1\nsystem=C:\\WINDOWS\\SYSTEM\n";
inline constexpr char kWinXp[] = "major=5\nminor=1\nbuild=2600\nplatform=2\nsystem=C:\\WINDOWS\\system32\n";

// Each driver source file holds its own name, so a copy shows its source.
inline std::string SourceBytes(std::string_view source) { return "source " + std::string(source) + "\r\n"; }

class InstallMachine {
 public:
  // `reg`: the body of HKLM.reg after its header; `program`: the program's
  // folder below C:\, which holds the driver source folders.
  explicit InstallMachine(const char* release, const std::string& reg = {},
                          const std::string& program = "Tools\\ZR77") {
    image_.Write("machine.ini", std::string("[system]\n") + release + "windows=C:\\WINDOWS\ncurrent=C:\\" + program +
                                    "\ncodepage=932\nadmin=1\n");
    image_.Write("HKLM.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n" + reg);
    for (const char* source :
         {"Win98\\tvkusb5.auto", "Win98\\mdmtvk5u.auto", "Win98\\sysfser.sys", "Win98\\sysfser.dll",
          "Win98\\sysfport.vxd", "Win98\\sysfmapr.sys", "WinMe\\tvkusb5.auto", "WinMe\\mdmtvk5u.auto",
          "WinXp\\mdmtvk5u.auto", "USB-Lan\\tvkndis3.auto", "USB-Lan\\tvkndis.sys"})
      WriteC(program + "\\" + source, SourceBytes(source));
    // Windows has these folders from its setup on; the staging copies into them.
    WriteC("WINDOWS\\inf\\setupapi.log", "");
    WriteC("WINDOWS\\system32\\drivers\\usbhub.sys", "usbhub");
    std::string error;
    if (!(machine_ = sim::SimMachine::Load(image_.Folder(), error))) throw std::runtime_error(error);
    engine_ = std::make_unique<CRegEdit>(*machine_);
    engine_->CheckWindowsVersion();
  }

  sim::SimMachine& Machine() { return *machine_; }
  CRegEdit& Engine() { return *engine_; }

  // Files of drive C:, by their Windows path without "C:\".
  void WriteC(std::string path, const std::string& bytes) {
    std::replace(path.begin(), path.end(), '\\', '/');
    image_.Write("drive_c/" + path, bytes);
  }
  std::string ReadC(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    const bool read = machine_->Files().ReadWholeFile("C:\\" + path, bytes) == win::kSuccess;
    return read ? std::string(bytes.begin(), bytes.end()) : "<missing>";
  }

  // What Windows writes when the device is plugged in and installed.
  void Plug(const std::string& regBody) {
    image_.Plug(*machine_, regBody);
  }

 private:
  TempImage image_;
  std::unique_ptr<sim::SimMachine> machine_;
  std::unique_ptr<CRegEdit> engine_;
};

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

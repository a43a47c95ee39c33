// Machines for the install-side tests: any Windows release the engine
// knows, the program started in C:\Tools\ZR77 beside the driver source
// folders, and the means to plug the device in while a test runs.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/profile_store.h"
#include "engine/reg_edit.h"
#include "platform/sim/machine.h"
#include "platform/win_codes.h"
#include "tests/support/temp_image.h"

namespace zr::testing {

struct WindowsRelease {
  const char* name;  // for traces and test names
  const char* system;  // the [system] lines of machine.ini that differ
};

inline constexpr WindowsRelease kWin95{
    "Win95", "major=4\nminor=0\nbuild=0x040003B6\nplatform=1\ncsd=\" \"\nsystem=C:\\WINDOWS\\SYSTEM\n"};
inline constexpr WindowsRelease kWin98{
    "Win98", "major=4\nminor=10\nbuild=0x040A08AE\nplatform=1\ncsd=\" A \"\nsystem=C:\\WINDOWS\\SYSTEM\n"};
inline constexpr WindowsRelease kWinMe{
    "WinMe", "major=4\nminor=90\nbuild=0x045A0BB8\nplatform=1\ncsd=\" \"\nsystem=C:\\WINDOWS\\SYSTEM\n"};
inline constexpr WindowsRelease kWinNt4{
    "WinNT4", "major=4\nminor=0\nbuild=1381\nplatform=2\ncsd=Service Pack 6\nsystem=C:\\WINDOWS\\system32\n"};
inline constexpr WindowsRelease kWin2000{
    "Win2000", "major=5\nminor=0\nbuild=2195\nplatform=2\ncsd=Service Pack 4\nsystem=C:\\WINDOWS\\system32\n"};
inline constexpr WindowsRelease kWinXp{
    "WinXP", "major=5\nminor=1\nbuild=2600\nplatform=2\ncsd=Service Pack 3\nsystem=C:\\WINDOWS\\system32\n"};

// The driver source files below C:\Tools\ZR77. Each holds its own name, so
// a copy shows which source it came from.
inline const std::vector<std::string>& SourceFiles() {
  static const std::vector<std::string> files = {
      "Win98\\tvkusb5.auto", "Win98\\mdmtvk5u.auto", "Win98\\sysfser.sys", "Win98\\sysfser.dll",
      "Win98\\sysfport.vxd", "Win98\\sysfmapr.sys",  "WinMe\\tvkusb5.auto", "WinMe\\mdmtvk5u.auto",
      "WinXp\\mdmtvk5u.auto", "USB-Lan\\tvkndis3.auto", "USB-Lan\\tvkndis.sys"};
  return files;
}
inline std::string SourceBytes(std::string_view source) { return "source " + std::string(source) + "\r\n"; }

class InstallMachine {
 public:
  // `reg`: the body of HKLM.reg after the REGEDIT4 header.
  explicit InstallMachine(const WindowsRelease& release, const std::string& reg = {}) {
    image_.Write("machine.ini", std::string("[system]\n") + release.system +
                                    "windows=C:\\WINDOWS\ncurrent=C:\\Tools\\ZR77\ncodepage=932\nadmin=1\n");
    image_.Write("HKLM.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n" + reg);
    for (const std::string& source : SourceFiles()) WriteC("Tools\\ZR77\\" + source, SourceBytes(source));
    // Windows has these folders from its setup on; the staging copies into them.
    WriteC("WINDOWS\\inf\\setupapi.log", "");
    WriteC("WINDOWS\\system32\\drivers\\usbhub.sys", "usbhub");
    std::string error;
    machine_ = sim::SimMachine::Load(image_.Folder(), error);
    if (!machine_) throw std::runtime_error(error);
    engine_ = std::make_unique<CRegEdit>(*machine_);
    engine_->CheckWindowsVersion();
  }

  sim::SimMachine& Machine() { return *machine_; }
  CRegEdit& Engine() { return *engine_; }
  TempImage& Image() { return image_; }

  // Files of drive C:, by their Windows path without "C:\".
  void WriteC(const std::string& path, const std::string& bytes) { image_.Write(HostPath(path), bytes); }
  bool ExistsC(const std::string& path) {
    return machine_->Files().ProbeExisting("C:\\" + path) == win::kSuccess;
  }
  std::string ReadC(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (machine_->Files().ReadWholeFile("C:\\" + path, bytes) != win::kSuccess) return "<missing>";
    return std::string(bytes.begin(), bytes.end());
  }
  void RemoveC(const std::string& path) { machine_->Files().DeleteFile("C:\\" + path); }

  // What Windows writes when the device is plugged in and installed.
  void Plug(const std::string& regBody) {
    image_.Write("plug.reg", "REGEDIT4\r\n\r\n" + regBody);
    std::string error;
    if (!machine_->Plug(error)) throw std::runtime_error(error);
  }

  // "key=value" for each key of a work-file section, in file order.
  std::vector<std::string> WorkSection(std::string_view section) {
    ProfileStore store(machine_->Files(), std::string(engine_->m_szWorkFile.view()));
    std::uint32_t length = 0;
    const std::vector<char> names = store.ListKeys(section, "", 4096, length);
    std::vector<std::string> entries;
    for (std::size_t at = 0; at < names.size() && names[at] != '\0';) {
      const std::string name(&names[at]);
      entries.push_back(name + "=" + store.GetString(section, name, "", 260));
      at += name.size() + 1;
    }
    return entries;
  }

 private:
  static std::string HostPath(const std::string& windowsPath) {
    std::string host = "drive_c/" + windowsPath;
    for (char& c : host)
      if (c == '\\') c = '/';
    return host;
  }

  TempImage image_;
  std::unique_ptr<sim::SimMachine> machine_;
  std::unique_ptr<CRegEdit> engine_;
};

// Registry keys of the device as Windows leaves them once it has installed
// a driver set (or, without the Driver value, when it could not).
namespace device_keys {

inline std::string Key(std::string_view path, std::initializer_list<std::pair<const char*, const char*>> values) {
  std::string text = "[HKEY_LOCAL_MACHINE\\" + std::string(path) + "]\r\n";
  for (const auto& [name, value] : values) {
    text += std::string("\"") + name + "\"=\"";
    for (const char* c = value; *c != '\0'; ++c) text += *c == '\\' ? std::string("\\\\") : std::string(1, *c);
    text += "\"\r\n";
  }
  return text + "\r\n";
}

inline std::string XpModem(bool withDriver = true) {
  return withDriver ? Key("SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0012\\5&2a3b1c4d&0&1",
                          {{"DeviceDesc", "tolvek ZR-77Q5K - USB"},
                           {"Driver", "{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0001"}})
                    : Key("SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0012\\5&2a3b1c4d&0&1",
                          {{"DeviceDesc", "tolvek ZR-77Q5K - USB"}});
}
inline std::string XpLan() {
  return Key("SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0022\\5&2a3b1c4d&0&2",
             {{"DeviceDesc", "tolvek ZR-77Q5K USB-Lan Adapter"},
              {"Driver", "{4D36E972-E325-11CE-BFC1-08002BE10318}\\0007"}});
}
inline std::string XpMouse() {
  return Key("SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_046d&Pid_c00e\\5&2a3b1c4d&0&3",
             {{"DeviceDesc", "USB ヒューマン インターフェイス デバイス"},
              {"Driver", "{745a17a0-74d3-11d0-b6fe-00a0c90f57da}\\0000"}});
}
inline std::string PortAdapterInstance() {
  return Key("Enum\\USB\\VID_0E9C&PID_0012\\7&2A3B1C4D&0&1",
             {{"DeviceDesc", "tolvek ZR-77Q5K USB Port Adapter"}, {"Driver", "USB\\0002"}});
}
inline std::string PortAdapterClass(const char* deviceKey) {
  if (deviceKey == nullptr)
    return Key("System\\CurrentControlSet\\Services\\Class\\Usb\\0002",
               {{"DriverDesc", "tolvek ZR-77Q5K USB Port Adapter"}});
  return Key("System\\CurrentControlSet\\Services\\Class\\Usb\\0002",
             {{"DriverDesc", "tolvek ZR-77Q5K USB Port Adapter"}, {"DeviceKey", deviceKey}});
}
inline std::string Lan9xInstance() {
  return Key("Enum\\USB\\VID_0E9C&PID_0022\\7&2A3B1C4D&0&2",
             {{"DeviceDesc", "tolvek ZR-77Q5K USB-Lan Adapter"}, {"Driver", "Net\\0003"}});
}
inline std::string Lan9xClass() {
  return Key("System\\CurrentControlSet\\Services\\Class\\Net\\0003",
             {{"DriverDesc", "tolvek ZR-77Q5K USB-Lan Adapter"}});
}
inline std::string Wdm9x(const char* className) {
  return Key(std::string("System\\CurrentControlSet\\Services\\Class\\") + className + "\\0000",
             {{"MatchingDeviceId", "USB\\VID_0E9C&PID_0012"}});
}

}  // namespace device_keys

}  // namespace zr::testing

#include "tests/scenario/modem_removals.h"

#include "platform/win_codes.h"

namespace zr::scenario {
namespace {

constexpr char kPortAdapterLine[] = "tolvek ZR-77Q5K USB Port Adapter";
constexpr char kNt9xClass[] = "System\\CurrentControlSet\\Services\\Class\\";
const std::vector<std::string> kNtFinish = {"shutdown privilege enabled", "restart requested (EWX_REBOOT)"};
const std::vector<std::string> kWin9xFinish = {"restart requested (EWX_REBOOT)"};

// The five key trees of a USB modem instance on Windows 2000/XP.
std::vector<std::string> NtModemKeys(const std::string& instance, const std::string& driver) {
  const std::string symbolic = "USB#Vid_0e9c&Pid_0012#" + instance + "#";
  const std::string classes = "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\";
  return {
      "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0012\\" + instance,
      "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}\\" + driver,
      classes + "{a5dcbf10-6530-11d2-901f-00c04fb951ed}\\##?#" + symbolic + "{a5dcbf10-6530-11d2-901f-00c04fb951ed}",
      classes + "{2c7089aa-2e0e-11d1-b114-00c04fc2aae4}\\##?#" + symbolic + "{2c7089aa-2e0e-11d1-b114-00c04fc2aae4}",
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific\\tolvek ZR-77Q5K - USB#tolvek#Modem",
  };
}

std::vector<std::uint8_t> ComDb(std::uint8_t first) {
  std::vector<std::uint8_t> bytes(32, 0);
  bytes[0] = first;
  return bytes;
}

std::vector<std::string> InWindows(std::initializer_list<const char*> relative) {
  std::vector<std::string> paths;
  for (const char* path : relative) paths.push_back(std::string("C:\\WINDOWS\\") + path);
  return paths;
}

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

const std::vector<ModemRemoval>& ModemRemovals() {
  static const std::string c = kNt9xClass;
  // The port adapter's own keys and INF files, which go whether or not a
  // sibling adapter still needs the shared driver files.
  static const std::vector<std::string> portKeys = {"Enum\\USB\\VID_0E9C&PID_0012", "Enum\\USBMODEM\\VID_0E9C&PID_0012",
                                                    c + "USB\\0002", c + "Modem\\0001"};
  static const std::vector<std::string> portInfs = InWindows(
      {"INF\\tvkusb5.inf", "INF\\mdmtvk5u.inf", "INF\\OTHER\\tolvektvkusb5.inf", "INF\\OTHER\\tolvekmdmtvk5u.inf"});
  static const std::vector<ModemRemoval> removals = {
      {"winxp-modem", "tolvek ZR-77Q5K - USB", NtModemKeys("5&2a3b1c4d&0&1", "0001"),
       InWindows({"inf\\oem3.inf", "inf\\oem3.PNF", "inf\\mdmtvk5u.inf", "inf\\mdmtvk5u.PNF"}),
       // COM1, COM2 and COM3 were taken; the device held COM3.
       ComDb(0x03), kNtFinish},
      {"win2000-modem-lan", "tolvek ZR-77Q5K - USB", NtModemKeys("6&1f2e3d4c&0&1", "0001"),
       InWindows({"inf\\oem1.inf", "inf\\oem1.PNF", "inf\\mdmtvk5u.inf", "inf\\mdmtvk5u.PNF"}),
       // COM1, COM2 and COM4 were taken; the device held COM4.
       ComDb(0x03), kNtFinish},
      {"win98-portadapter", kPortAdapterLine, Join(portKeys, {"System\\CurrentControlSet\\Services\\mapsys"}),
       Join(portInfs, InWindows({"SYSTEM\\sysfser.sys", "SYSTEM\\sysfser.dll", "SYSTEM\\sysfmapr.sys",
                                 "SYSTEM\\sysfport.vxd"})),
       std::nullopt, kWin9xFinish},
      // The sibling adapter keeps the shared driver files and the mapsys service.
      {"win98-portadapter-sibling", kPortAdapterLine, portKeys, portInfs, std::nullopt, kWin9xFinish},
      {"win98-wdm", kPortAdapterLine,
       {"Enum\\USB\\VID_0E9C&PID_0012", "Enum\\WDM_MODEM\\TKV0301", c + "Wdm\\0000", c + "Modem\\0001"},
       InWindows({"INF\\OTHER\\tolvektvkusb5.inf", "INF\\OTHER\\tolvekmdmtvk5u.inf"}), std::nullopt, kWin9xFinish},
      {"winme-wdmmodem", kPortAdapterLine,
       {"Enum\\USB\\VID_0E9C&PID_0012", "Enum\\WDM_MODEM\\TKV0301", c + "WdmModem\\0000", c + "Modem\\0001"},
       InWindows({"INF\\tvkusb5.inf", "INF\\mdmtvk5u.inf", "INF\\OTHER\\tolvektvkusb5.inf",
                  "INF\\OTHER\\tolvekmdmtvk5u.inf"}),
       std::nullopt, kWin9xFinish},
  };
  return removals;
}

testing::MachineSnapshot AfterRemoval(testing::MachineSnapshot before, const ModemRemoval& removal) {
  for (const std::string& key : removal.keys) before.WithoutKeyTree(key);
  for (const std::string& file : removal.files) before.WithoutFile(file);
  if (removal.comDb)
    before.WithValue("SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter", "ComDB", win::kRegBinary, *removal.comDb);
  return before;
}

}  // namespace zr::scenario

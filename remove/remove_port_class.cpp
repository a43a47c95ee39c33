// The USB port adapter of Windows 98/Me: its USB and modem class instances,
// its Enum keys, its INF files, and, when no sibling adapter still needs
// them, the shared port driver files and their service key.
#include "engine/device_names.h"
#include "remove/removal_common.h"

namespace zr {
namespace {

constexpr char kUsbClass[] = "System\\CurrentControlSet\\Services\\Class\\Usb";
constexpr char kModemClass[] = "System\\CurrentControlSet\\Services\\Class\\Modem";

// Descriptions of the adapters that share the port driver, the device's own
// first; each sets its bit.
constexpr const char* kSiblingAdapters[] = {
    "tolvek ZR-77Q5K USB Port Adapter",
    "tolvek PRX-320 USB Port Adapter",
    "QUILLNET7 USB Port Adapter",
    "tolvek PRX-310 USB Port Adapter",
    "Orsel OX-301 USB Port Adapter",
    "KLMB-204 USB Port Adapter",
    "ZR-81Q5P USB Port Adapter",
    "KLMB USB Port Adapter",
    "TVK USB Port Adapter",
    "QRA USB Port Adapter",
};

}  // namespace

int CRegEdit::RemovePortClass(int nMode) {
  if (nMode == 2) return 1;
  if (nMode != 1) return 0;
  WorkFileBatch batch(*this);
  DeleteChildKey("ENUM\\USB", device::kHardwareId, 1);
  DeleteChildKey("ENUM\\USBMODEM", device::kHardwareId, 1);
  ForEachMatchingClassKey(
      kUsbClass, "DriverDesc", 0, device::kPortAdapter,
      [this](std::string_view instance, std::string_view) { DeleteChildKey(kUsbClass, instance, 1); });
  ForEachMatchingClassKey(kModemClass, "PortDriver", 0, "sysfport.vxd",
                          [this](std::string_view instance, std::string_view) {
                            int result = 0;
                            const std::string key = std::string(kModemClass) + "\\" + std::string(instance);
                            const Text260 inf = ReadRegistryText(key, "InfPath", &result);
                            if (result > 0 && StartsWithIgnoringCase(inf.view(), "mdmtvk5u.inf"))
                              DeleteChildKey(kModemClass, instance, 1);
                          });
  if (HasOtherPortAdapter() == 0) {
    DeleteFilesIn(m_szSysDir.view(), {"sysfser.sys", "sysfser.dll", "sysfmapr.sys", "sysfport.vxd"});
    DeleteChildKey("System\\CurrentControlSet\\Services", "mapsys", 1);
  }
  DeleteFilesIn(m_szWinDir.view(), {"inf\\tvkusb5.inf", "inf\\mdmtvk5u.inf", "inf\\Other\\tolvektvkusb5.inf",
                                    "inf\\Other\\tolvekmdmtvk5u.inf", "inf\\mdmtvk5u.pnf", "inf\\Other\\tvkusb5.inf",
                                    "inf\\Other\\mdmtvk5u.inf"});
  return 1;
}

int CRegEdit::HasOtherPortAdapter() {
  std::uint16_t found = 0;
  // A class key that could not be read (refused, a failing disk) may be a
  // sibling adapter's: the files it shares with this one then stay.
  bool unsure = false;
  ForEachMatchingClassKey(
      kUsbClass, "DriverDesc", 0, "",
      [&](std::string_view, std::string_view description) {
        for (std::size_t row = 0; row < std::size(kSiblingAdapters); ++row) {
          if (StartsWithIgnoringCase(description, kSiblingAdapters[row])) {
            found |= static_cast<std::uint16_t>(1u << row);
            break;
          }
        }
      },
      &unsure);
  // Row 0 is the device itself; every other row is a sibling.
  return (found >> 1) != 0 || unsure ? 1 : 0;
}

}  // namespace zr

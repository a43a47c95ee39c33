// The WDM USB device and its WDM modem on Windows 98/Me (and, with the
// WdmModem class, the WDM_MODEM kind).
#include "engine/device_names.h"
#include "remove/removal_common.h"

namespace zr {
namespace {

constexpr char kWdmClass[] = "System\\CurrentControlSet\\Services\\Class\\Wdm";
constexpr char kModemClass[] = "System\\CurrentControlSet\\Services\\Class\\Modem";

}  // namespace

int CRegEdit::RemoveWdmClass(int nMode) {
  if (nMode == 2) return 1;
  if (nMode != 1) return 0;
  WorkFileBatch batch(*this);
  RemoveWdmFamily9x(kWdmClass);
  return 1;
}

// Both WDM kinds of the device on 98/Me differ only in the class that holds
// the USB device's driver key.
void CRegEdit::RemoveWdmFamily9x(const char* usbDeviceClass) {
  DeleteChildKey("ENUM\\USB", device::kHardwareId, 1);
  DeleteChildKey("ENUM\\WDM_MODEM", device::kWdmModemId, 1);
  // The first characters are the enumerator ("USB\", "WDM_MODEM\"); they are
  // skipped, not compared.
  ForEachMatchingClassKey(
      usbDeviceClass, "MatchingDeviceId", 4, device::kHardwareId,
      [&](std::string_view instance, std::string_view) { DeleteChildKey(usbDeviceClass, instance, 1); });
  ForEachMatchingClassKey(
      kModemClass, "MatchingDeviceId", 10, device::kWdmModemId,
      [this](std::string_view instance, std::string_view) { DeleteChildKey(kModemClass, instance, 1); });
  DeleteFilesIn(m_szWinDir.view(),
                {"inf\\Other\\tolvektvkusb5.inf", "inf\\Other\\tolvekmdmtvk5u.inf", "inf\\Other\\tvkusb5.inf",
                 "inf\\Other\\mdmtvk5u.inf", "inf\\tvkusb5.inf", "inf\\mdmtvk5u.inf"});
}

}  // namespace zr

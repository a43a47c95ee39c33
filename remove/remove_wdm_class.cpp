// The WDM USB device and its WDM modem on Windows 98/Me.
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
  DeleteChildKey("ENUM\\USB", "VID_0E9C&PID_0012", 1);
  DeleteChildKey("ENUM\\WDM_MODEM", "TKV0301", 1);
  // The first characters are the enumerator ("USB\", "WDM_MODEM\"); they are
  // skipped, not compared.
  ForEachMatchingClassKey(kWdmClass, "MatchingDeviceId", 4, "VID_0E9C&PID_0012",
                          [this](std::string_view instance, std::string_view) { DeleteChildKey(kWdmClass, instance, 1); });
  ForEachMatchingClassKey(kModemClass, "MatchingDeviceId", 10, "TKV0301",
                          [this](std::string_view instance, std::string_view) { DeleteChildKey(kModemClass, instance, 1); });
  DeleteFilesIn(m_szWinDir.view(), {"inf\\Other\\tolvektvkusb5.inf", "inf\\Other\\tolvekmdmtvk5u.inf",
                                    "inf\\Other\\tvkusb5.inf", "inf\\Other\\mdmtvk5u.inf", "inf\\tvkusb5.inf",
                                    "inf\\mdmtvk5u.inf"});
  return 1;
}

}  // namespace zr

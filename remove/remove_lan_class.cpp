// The USB-LAN adapter: on Windows 98/Me its hardware key, class driver key
// and the network components bound to it; on Windows 2000/XP the captured
// key trees of each recorded instance and its network description. Then the
// driver and INF files.
#include "detect/recorded_instances.h"
#include "engine/device_names.h"
#include "remove/removal_common.h"

namespace zr {
namespace {

constexpr char kClass9x[] = "System\\CurrentControlSet\\Services\\Class";
constexpr int kBindings = 32;

}  // namespace

int CRegEdit::RemoveLanClass(int nMode) {
  if (nMode != 1 && nMode != 2) return 0;
  WorkFileBatch batch(*this);
  if (nMode == 1)
    RemoveLan9x();
  else
    RemoveLanNt();
  return 1;
}

void CRegEdit::RemoveLan9x() {
  Text260 key;
  Text260 path;
  ForEachRecordedInstance([&](int, int d) {
    key.Format("usb_device%d_reg_dev_name", d);
    if (StartsWithIgnoringCase(ReadWorkText(m_szSection.view(), key.view()).view(), device::kLanAdapter))
      DeleteChildKey("Enum\\USB", ReadWorkText(m_szSection.view(), "reg_enum").view(), 1);
    key.Format("usb_device%d_reg_driver", d);
    const Text260 driver = ReadWorkText(m_szSection.view(), key.view());
    int result = 0;
    if (!driver.empty() && path.Format("%s\\%s", kClass9x, driver.c_str())) {
      const Text260 description = ReadRegistryText(path.view(), "DriverDesc", &result);
      if (result > 0 && StartsWithIgnoringCase(description.view(), device::kLanAdapter))
        DeleteInstanceKey(kClass9x, driver.view(), 1);
    }
  });

  for (int b = 0; b < kBindings; ++b) {
    m_szLanSection.Format("lan_bind%d", b);
    if (ReadWorkInt(m_szLanSection.view(), "index") == 0) break;
    DeleteInstanceKey("Enum\\Network", ReadWorkText(m_szLanSection.view(), "reg_enum").view(), 1);
    DeleteInstanceKey(kClass9x, ReadWorkText(m_szLanSection.view(), "reg_driver").view(), 1);
    for (int p = 0; p < kBindings; ++p) {
      key.Format("lan_bind%d_p_bind%d_index", b, p);
      if (ReadWorkInt(m_szLanSection.view(), key.view()) == 0) break;
      key.Format("lan_bind%d_p_bind%d_reg_enum", b, p);
      DeleteInstanceKey("Enum\\Network", ReadWorkText(m_szLanSection.view(), key.view()).view(), 1);
      for (int q = 0; q < kBindings; ++q) {
        key.Format("lan_bind%d_p_bind%d_bind%d_index", b, p, q);
        if (ReadWorkInt(m_szLanSection.view(), key.view()) == 0) break;
        key.Format("lan_bind%d_p_bind%d_bind%d_reg_enum", b, p, q);
        DeleteInstanceKey("Enum\\Network", ReadWorkText(m_szLanSection.view(), key.view()).view(), 1);
      }
    }
  }
  DeleteFilesIn(m_szSys32Dir.view(), {"drivers\\tvkndis.sys"});
  DeleteFilesIn(m_szWinDir.view(), {"inf\\other\\tolvektvkndis3.inf", "inf\\other\\tvkndis3.inf", "inf\\tvkndis3.inf"});
}

void CRegEdit::RemoveLanNt() {
  Text260 parent;
  ForEachRecordedInstance([&](int r, int d) {
    if (!EqualIgnoringCase(RecordedValue("usb_device%d_reg_dev_name", d).view(), device::kLanAdapter)) return;
    CaptureDeviceTrees(r, d, 1);
    m_szSection.Format("usb_root%d", r);
    DeleteRecordedInstanceAndDriver(d);
    const Text260 guid = RecordedValue("usb_device%d_reg_guid", d);
    if (!guid.empty() && parent.Format("SYSTEM\\CurrentControlSet\\Control\\Network\\%s", guid.c_str()))
      DeleteChildKey(parent.view(), RecordedValue("usb_device%d_reg_net_conf", d).view(), 2);
    if (!guid.empty() &&
        parent.Format("SYSTEM\\CurrentControlSet\\Control\\Network\\%s\\%s", guid.c_str(), "Descriptions")) {
      SetKeySecurity(parent.view());
      RegDeleteValue(parent.view(), RecordedValue("usb_device%d_reg_dev_name", d).view());
    }
    DeleteRecordedInterfaces(d, "{ad498944-762f-11d0-8dcb-00c04fc3358c}");
    DeleteChildKey("SYSTEM\\CurrentControlSet\\Services", RecordedValue("usb_device%d_reg_service", d).view(), 2);
  });
  DeleteFilesIn(m_szSys32Dir.view(), {"drivers\\tvkndis.sys"});
  for (int i = 0; i < m_nLanInf && i < kInfTable; ++i) DeleteFileForce(m_astrLanInf[static_cast<std::size_t>(i)]);
  DeleteFilesIn(m_szWinDir.view(), {"inf\\tvkndis3.inf", "inf\\tvkndis3.pnf"});
}

}  // namespace zr

// Whether the device's USB-LAN driver is installed, as a result word; on 9x
// the bindings of each USB-LAN instance are recorded on the way, on NT the
// OEM INF files that name the adapter are listed.
#include "detect/detection_bits.h"
#include "detect/inf_search.h"
#include "detect/recorded_instances.h"
#include "detect/text_match.h"
#include "engine/device_names.h"
#include "engine/windows_version.h"

namespace zr {

int CRegEdit::DetectUsbLan() {
  WorkFileBatch batch(*this);
  switch (m_nWinKind) {
    case kWinKind9x:
      return DetectUsbLan9x();
    case kWinKindNt:
      return DetectUsbLanNt();
    default:
      return 0;
  }
}

int CRegEdit::DetectUsbLan9x() {
  int word = 0;
  if (EnumUsbDevices(device::kUsbEnum9x, device::kLanAdapter, kWinKind9x) == 1) word |= detection::kEnumerated;
  Text260 key;
  // The driver name may be 259 characters long; the engine's key-path
  // buffers hold the class key path built from it.
  KeyPathText path;
  ForEachRecordedInstance([&](int r, int d) {
    key.Format("usb_device%d_reg_dev_name", d);
    if (!StartsWithIgnoringCase(ReadWorkText(m_szSection.view(), key.view()).view(), device::kLanAdapter)) return;
    key.Format("usb_device%d_reg_driver", d);
    const Text260 driver = ReadWorkText(m_szSection.view(), key.view());
    if (path.Format("System\\CurrentControlSet\\Services\\Class\\%s", driver.c_str())) {
      int result = 0;
      const Text260 description = ReadRegistryText(path.view(), "DriverDesc", &result);
      if (result > 0 && StartsWithIgnoringCase(description.view(), device::kLanAdapter)) word |= detection::kLanKey;
    }
    CaptureLanBindings(r, d);
  });
  const char* const w = m_szWinDir.c_str();
  const std::pair<const char*, const char*> probes[] = {
      {"%s\\inf\\other\\tolvek%s.inf", "tvkndis3"},
      {"%s\\inf\\other\\%s.inf", "tvkndis3"},
      {"%s\\inf\\%s.inf", "tvkndis3"},
  };
  for (const auto& [format, base] : probes) {
    if (m_szFilePath.Format(format, w, base) && FileExists(platform_.Files(), m_szFilePath.view()))
      word |= detection::kInfFiles;
  }
  return word;
}

int CRegEdit::DetectUsbLanNt() {
  int word = 0;
  if (EnumUsbDevices(device::kUsbEnumNt, device::kLanAdapter, kWinKindNt) == 1) word |= detection::kEnumerated;
  Text260 key;
  ForEachRecordedInstance([&](int, int d) {
    key.Format("usb_device%d_reg_dev_name", d);
    if (EqualIgnoringCase(ReadWorkText(m_szSection.view(), key.view()).view(), device::kLanAdapter))
      word |= detection::kLanKey;
  });
  if (ListOemInfsNaming(device::kLanInfText, m_astrLanInf, m_nLanInf)) word |= detection::kInfFiles;
  IFiles& files = platform_.Files();
  // The named files count, but stay out of the table.
  for (const char* name : {"%s\\inf\\tvkndis3.inf", "%s\\inf\\tvkndis3.pnf"}) {
    if (m_szFilePath.Format(name, m_szWinDir.c_str()) && FileExists(files, m_szFilePath.view()))
      word |= detection::kInfFiles;
  }
  return word;
}

}  // namespace zr

// Which of the device's modem-side drivers are installed, as a result word:
// on 9x the port adapter and the WDM and WDM-modem class drivers, on NT the
// WDM modem instance; on both the INF and PNF files that installed them.
#include "detect/detection_bits.h"
#include "detect/inf_search.h"
#include "detect/recorded_instances.h"
#include "detect/text_match.h"
#include "engine/device_names.h"
#include "engine/windows_version.h"

namespace zr {
namespace {

constexpr char kDeviceKeyPrefix[] = "0E9C0012";
constexpr int kClassSlots = 256;

// "USB\VID_0E9C&PID_0012...": the id after the four-character bus prefix.
bool NamesTheDevice(std::string_view matchingDeviceId) {
  return matchingDeviceId.size() >= 5 && StartsWithIgnoringCase(matchingDeviceId.substr(4), device::kHardwareId);
}

}  // namespace

int CRegEdit::DetectModem() {
  WorkFileBatch batch(*this);
  switch (m_nWinKind) {
    case kWinKind9x:
      return DetectModem9x();
    case kWinKindNt:
      return DetectModemNt();
    default:
      return 0;
  }
}

int CRegEdit::DetectModem9x() {
  int word = 0;
  if (EnumUsbDevices(device::kUsbEnum9x, device::kPortAdapter, kWinKind9x) == 1) word |= detection::kEnumerated;
  Text260 path;
  for (int n = 0; n < kClassSlots; ++n) {
    int result = 0;
    path.Format("System\\CurrentControlSet\\Services\\Class\\Usb\\%04d", n);
    const Text260 description = ReadRegistryText(path.view(), "DriverDesc", &result);
    if (result > 0 && StartsWithIgnoringCase(description.view(), device::kPortAdapter)) {
      m_szDeviceKey.Clear();
      if (RegReadValue(path.view(), "DeviceKey", m_szDeviceKey) <= 0)
        word |= detection::kPortAdapterWithoutDeviceKey;
      else if (StartsWithIgnoringCase(m_szDeviceKey.view(), kDeviceKeyPrefix))
        word |= detection::kPortAdapterKey;
    }
    path.Format("System\\CurrentControlSet\\Services\\Class\\Wdm\\%04d", n);
    Text260 id = ReadRegistryText(path.view(), "MatchingDeviceId", &result);
    if (result > 0 && NamesTheDevice(id.view())) word |= detection::kWdmKey;
    path.Format("System\\CurrentControlSet\\Services\\Class\\WdmModem\\%04d", n);
    id = ReadRegistryText(path.view(), "MatchingDeviceId", &result);
    if (result > 0 && NamesTheDevice(id.view())) word |= detection::kWdmModemKey;
  }
  const char* const w = m_szWinDir.c_str();
  const std::pair<const char*, const char*> probes[] = {
      {"%s\\inf\\%s.inf", "tvkusb5"},         {"%s\\inf\\other\\tolvek%s.inf", "tvkusb5"},
      {"%s\\inf\\%s.inf", "mdmtvk5u"},        {"%s\\inf\\other\\tolvek%s.inf", "mdmtvk5u"},
      {"%s\\inf\\%s.pnf", "mdmtvk5u"},        {"%s\\inf\\other\\%s.inf", "tvkusb5"},
      {"%s\\inf\\other\\%s.inf", "mdmtvk5u"},
  };
  for (const auto& [format, base] : probes) {
    if (m_szFilePath.Format(format, w, base) && FileExists(platform_.Files(), m_szFilePath.view()))
      word |= detection::kInfFiles;
  }
  return word;
}

int CRegEdit::DetectModemNt() {
  int word = 0;
  if (EnumUsbDevices(device::kUsbEnumNt, device::kModemInstance, kWinKindNt) == 1) word |= detection::kEnumerated;
  Text260 key;
  ForEachRecordedInstance([&](int, int d) {
    key.Format("usb_device%d_reg_dev_name", d);
    if (EqualIgnoringCase(ReadWorkText(m_szSection.view(), key.view()).view(), device::kModemInstance))
      word |= detection::kWdmModemKey;
  });
  if (ListOemInfsNaming(device::kModemInfText, m_astrModemInf, m_nModemInf)) word |= detection::kInfFiles;
  IFiles& files = platform_.Files();
  for (const char* base : {"mdmtvk5u", "tvkusb5"}) {
    if (m_szFilePath.Format("%s\\inf\\%s.inf", m_szWinDir.c_str(), base) && FileExists(files, m_szFilePath.view())) {
      AppendInf(m_astrModemInf, m_nModemInf, m_szFilePath.view());
      word |= detection::kInfFiles;
    }
  }
  return word;
}

void CRegEdit::AppendInf(std::array<std::string, kInfTable>& table, int& count, std::string_view path) {
  if (count < 0 || count >= kInfTable) return;
  table[static_cast<std::size_t>(count)] = path;
  ++count;
}

}  // namespace zr

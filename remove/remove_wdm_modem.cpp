// The USB modem of the WDM_MODEM kind: on Windows 98/Me found by scanning the
// class keys, on Windows 2000/XP through the instances recorded in the work
// file, whose captured key trees are deleted and whose COM port number is
// given back.
#include "detect/recorded_instances.h"
#include "engine/device_names.h"
#include "platform/win_codes.h"
#include "remove/removal_common.h"

namespace zr {
namespace {

constexpr char kWdmModemClass[] = "System\\CurrentControlSet\\Services\\Class\\WdmModem";
constexpr char kComArbiter[] = "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";
constexpr std::uint8_t kClearMasks[8] = {0xFE, 0xFD, 0xFB, 0xF7, 0xEF, 0xDF, 0xBF, 0x7F};

// The number that starts at the fourth character of a port name ("COM12"
// gives 12): leading blanks and a sign are taken, reading stops at the first
// other character.
long PortNumber(std::string_view portName) {
  if (portName.size() < 4) return 0;
  std::string_view digits = portName.substr(3);
  while (!digits.empty() && (digits.front() == ' ' || (digits.front() >= '\t' && digits.front() <= '\r')))
    digits.remove_prefix(1);
  bool negative = false;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  long number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9' || number > 100000000) break;
    number = number * 10 + (c - '0');
  }
  return negative ? -number : number;
}

}  // namespace

int CRegEdit::RemoveWdmModemClass(int nMode) {
  if (nMode != 1 && nMode != 2) return 0;
  WorkFileBatch batch(*this);
  if (nMode == 1)
    RemoveWdmFamily9x(kWdmModemClass);
  else
    RemoveWdmModemNt();
  return 1;
}

void CRegEdit::RemoveWdmModemNt() {
  Text260 key;
  ForEachRecordedInstance([&](int r, int d) {
    if (!EqualIgnoringCase(RecordedValue("usb_device%d_reg_dev_name", d).view(), device::kModemInstance)) return;
    CaptureDeviceTrees(r, d, 0);
    m_szSection.Format("usb_root%d", r);
    DeleteRecordedInstanceAndDriver(d);
    DeleteRecordedInterfaces(d, "{2c7089aa-2e0e-11d1-b114-00c04fc2aae4}");
    DeleteChildKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific",
                   RecordedValue("usb_device%d_reg_rsp_name", d).view(), 2);

    ReleaseComDbPort(r, d);
    m_szSection.Format("usb_root%d", r);
    // Without a port name the release read nothing: a length recorded by an
    // earlier release of this instance would write back a stale bitmap.
    if (RecordedValue("usb_device%d_reg_port_name", d).empty()) return;
    key.Format("usb_device%d_reg_com_db_len", d);
    const int length = ReadWorkInt(m_szSection.view(), key.view());
    // Only a length the release itself read goes back: never more than the
    // buffer holds.
    if (length > 0 && length <= static_cast<int>(m_abComDb.size()))
      RegWriteValueEx(kComArbiter, "ComDB", m_abComDb.data(), static_cast<std::uint32_t>(length), win::kRegBinary, 1);
  });
  for (int i = 0; i < m_nModemInf && i < kInfTable; ++i) DeleteFileForce(m_astrModemInf[static_cast<std::size_t>(i)]);
  DeleteFilesIn(m_szWinDir.view(), {"inf\\mdmtvk5u.inf", "inf\\mdmtvk5u.pnf"});
}

int CRegEdit::ReleaseComDbPort(int nRoot, int nDevice) {
  WorkFileBatch batch(*this);
  m_szSection.Format("usb_root%d", nRoot);
  Text260 key;
  key.Format("usb_device%d_reg_port_name", nDevice);
  const Text260 port = ReadWorkText(m_szSection.view(), key.view());
  if (port.empty()) return 0;
  const int length = RegReadValue(kComArbiter, "ComDB", m_abComDb);
  const long number = PortNumber(port.view());
  if (number >= 1) {
    const long byte = (number - 1) / 8;
    if (byte < length) m_abComDb[static_cast<std::size_t>(byte)] &= kClearMasks[(number - 1) % 8];
  }
  key.Format("usb_device%d_reg_com_db_len", nDevice);
  WriteWorkNumber(m_szSection.view(), key.view(), length);
  return 0;
}

}  // namespace zr

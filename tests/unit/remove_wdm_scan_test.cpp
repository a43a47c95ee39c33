// The two Windows 98/Me removals that find the device by the matching ids of
// numbered class keys: the WDM class (RemoveWdmClass, on win98-wdm) and the
// WdmModem class (RemoveWdmModemClass mode 1, on winme-wdmmodem). Both skip
// the id's enumerator prefix unread, and each leaves the other's class
// alone.
#include "tests/support/engine_over_image.h"

namespace zr::testing {
namespace {

const std::string kClass = "System\\CurrentControlSet\\Services\\Class\\";

struct Instance {
  const char* name;
  const char* id;  // .reg text of "MatchingDeviceId"
  bool removed;
};

// Instances merged in beside the image's. USB-side ids: the first four
// characters are not compared. Raw bytes without a terminator follow an
// instance whose id the buffer still holds: nothing beyond them may count.
const Instance kUsbInstances[] = {
    {"0002", "\"XYZ!vid_0e9c&pid_0012&REV_01\"", true},
    {"0003", "hex:41,42,43,44", false},
    {"0004", "\"USB\"", false},
    {"0005", "\"USB\\\\VID_0E9C&PID_001\"", false},
    {"0255", "\"USB\\\\VID_0E9C&PID_0012\\\\5&1\"", true},
};
// Modem-side ids: the first ten characters are not compared.
const Instance kModemInstances[] = {
    {"0003", "\"0123456789tkv0301&REV_01\"", true},
    {"0004", "hex:30,31,32,33,34,35,36,37,38,39", false},
    {"0005", "\"WDM_MODEM\"", false},
};

template <std::size_t N>
std::string InstanceKeys(const std::string& cls, const Instance (&instances)[N]) {
  std::string reg;
  for (const Instance& instance : instances)
    reg += RegKey(kClass + cls + "\\" + instance.name) + "\"MatchingDeviceId\"=" + instance.id + "\n" +
           RegKey(kClass + cls + "\\" + instance.name + "\\Settings");
  return reg;
}

class WdmClassScanRemoval : public ::testing::Test {};

TEST_F(WdmClassScanRemoval, RemovesTheInstancesWhoseIdFollowsTheSkippedPrefix) {
  const struct {
    const char* image;
    int (CRegEdit::*remove)(int);
    const char* usbClass;    // the class whose instances this routine scans
    const char* otherClass;  // the other routine's class: never touched
  } routines[] = {{"win98-wdm", &CRegEdit::RemoveWdmClass, "Wdm", "WdmModem"},
                  {"winme-wdmmodem", &CRegEdit::RemoveWdmModemClass, "WdmModem", "Wdm"}};
  for (const auto& routine : routines) {
    SCOPED_TRACE(routine.image);
    EngineOverImage m(routine.image);
    // The other class holds ids that would match, so a routine that scans
    // the wrong class shows.
    m.Plug(InstanceKeys(routine.usbClass, kUsbInstances) + InstanceKeys(routine.otherClass, kUsbInstances) +
           InstanceKeys("Modem", kModemInstances));
    // Every INF file of the device; no PNF file goes.
    for (const char* file :
         {"OTHER\\tvkusb5.inf", "OTHER\\mdmtvk5u.inf", "tvkusb5.inf", "mdmtvk5u.inf", "mdmtvk5u.pnf"})
      m.WriteC("WINDOWS\\INF\\" + std::string(file), "inf");
    ExpectIdleModes(m, routine.remove, {{0, 0}, {3, 0}, {-1, 0}});
    if (routine.remove == &CRegEdit::RemoveWdmClass) ExpectIdleModes(m, routine.remove, {{2, 1}});

    // The device's keys as the image's README lists them, and its INF files.
    MachineSnapshot expected = m.Snapshot();
    expected.WithoutKeyTree("Enum\\USB\\VID_0E9C&PID_0012").WithoutKeyTree("Enum\\WDM_MODEM\\TKV0301");
    expected.WithoutKeyTree(kClass + routine.usbClass + "\\0000").WithoutKeyTree(kClass + "Modem\\0001");
    for (const char* file : {"OTHER\\tolvektvkusb5.inf", "OTHER\\tolvekmdmtvk5u.inf", "OTHER\\tvkusb5.inf",
                             "OTHER\\mdmtvk5u.inf", "tvkusb5.inf", "mdmtvk5u.inf"})
      expected.WithoutFile("WINDOWS\\INF\\" + std::string(file));
    for (const Instance& instance : kUsbInstances)
      if (instance.removed) expected.WithoutKeyTree(kClass + routine.usbClass + "\\" + instance.name);
    for (const Instance& instance : kModemInstances)
      if (instance.removed) expected.WithoutKeyTree(kClass + "Modem\\" + instance.name);
    ExpectRemovedTwice(m, nullptr, routine.remove, 1, expected);
  }
}

}  // namespace
}  // namespace zr::testing

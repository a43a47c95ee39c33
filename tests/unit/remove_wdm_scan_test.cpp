// The two Windows 98 removals that find the device by the matching ids of
// numbered class keys: the WDM class (RemoveWdmClass) and the WdmModem
// class (RemoveWdmModemClass mode 1). Both skip the id's enumerator prefix
// unread, and each leaves the other's class alone.
#include <span>

#include "removal_fixture.h"

namespace zr::testing {
namespace {

constexpr char kClassRoot[] = "System\\CurrentControlSet\\Services\\Class\\";

struct Routine {
  const char* name;
  int (CRegEdit::*remove)(int);
  int mode;
  const char* usbClass;    // the class whose instances this routine scans
  const char* otherClass;  // the other routine's class: never touched
};

const Routine kRoutines[] = {
    {"RemoveWdmClass", &CRegEdit::RemoveWdmClass, 1, "Wdm", "WdmModem"},
    {"RemoveWdmModemClass", &CRegEdit::RemoveWdmModemClass, 1, "WdmModem", "Wdm"},
};

struct Instance {
  const char* name;
  std::string value;  // .reg text of "MatchingDeviceId" ("" for none)
  bool removed;
};

// USB-side ids: the first four characters are not compared.
const Instance kUsbInstances[] = {
    {"0000", "\"USB\\\\VID_0E9C&PID_0012\"", true},
    {"0001", "\"usb\\\\vid_0e9c&pid_0012\"", true},
    // Four raw bytes without a terminator, read right after an instance
    // whose id the buffer still holds: nothing beyond them may count.
    {"0002", "hex:41,42,43,44", false},
    {"0003", "\"XYZ!VID_0E9C&PID_0012&REV_0100\"", true},
    {"0004", "\"USB\\\\\"", false},
    {"0005", "\"USB\"", false},
    {"0006", "\"\"", false},
    {"0007", "\"USBVID_0E9C&PID_0012\"", false},
    {"0008", "\"USB\\\\VID_0E9C&PID_001\"", false},
    {"0009", "\"USB\\\\VID_0E9C&PID_0013\"", false},
    {"0010", "", false},
    {"0255", "\"USB\\\\VID_0E9C&PID_0012\\\\5&1\"", true},
    {"0256", "\"USB\\\\VID_0E9C&PID_0012\"", false},
    {"12", "\"USB\\\\VID_0E9C&PID_0012\"", false},
};

// Modem-side ids: the first ten characters are not compared.
const Instance kModemInstances[] = {
    {"0000", "\"WDM_MODEM\\\\TKV0301\"", true},
    {"0001", "hex:30,31,32,33,34,35,36,37,38,39", false},
    {"0002", "\"wdm_modem\\\\tkv0301\"", true},
    {"0003", "\"0123456789TKV0301&REV_01\"", true},
    {"0004", "\"WDM_MODEM\\\\\"", false},
    {"0005", "\"WDM_MODEM\"", false},
    {"0006", "\"WDM_MODEMTKV0301\"", false},
    {"0007", "\"WDM_MODEM\\\\TKV030\"", false},
    {"0008", "\"WDM_MODEM\\\\TKV0302\"", false},
    {"0009", "\"USB\\\\VID_0E9C&PID_0012\"", false},
    {"0010", "", false},
    {"0256", "\"WDM_MODEM\\\\TKV0301\"", false},
};

std::string InstanceKeys(const std::string& classPath, std::span<const Instance> instances) {
  std::string reg;
  for (const Instance& instance : instances) {
    reg += "[HKEY_LOCAL_MACHINE\\" + classPath + "\\" + instance.name + "]\n";
    if (!instance.value.empty()) reg += "\"MatchingDeviceId\"=" + instance.value + "\n";
    reg += "\"DriverDesc\"=\"instance " + std::string(instance.name) + "\"\n";
    reg += "[HKEY_LOCAL_MACHINE\\" + classPath + "\\" + instance.name + "\\Settings]\n";
  }
  return reg;
}

const std::string kEnumReg = R"(
[HKEY_LOCAL_MACHINE\Enum\USB\VID_0E9C&PID_0012\5&12&0&1]
"DeviceDesc"="tolvek ZR-77Q5K - USB"
[HKEY_LOCAL_MACHINE\Enum\USB\VID_0E9C&PID_0012\5&12&0&1\LogConfig]
[HKEY_LOCAL_MACHINE\Enum\USB\VID_0E9C&PID_0013\5&12&0&2]
"DeviceDesc"="tolvek ZR-77Q5K USB-Lan Adapter"
[HKEY_LOCAL_MACHINE\Enum\WDM_MODEM\TKV0301\0000]
"DeviceDesc"="tolvek ZR-77Q5K - Modem"
[HKEY_LOCAL_MACHINE\Enum\WDM_MODEM\TKV0302\0000]
[HKEY_LOCAL_MACHINE\Enum\USBMODEM\VID_0E9C&PID_0012\0000]
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\mapsys]
"Start"=dword:00000002
)";

const char* const kDeviceFiles[] = {
    "WINDOWS\\INF\\OTHER\\tolvektvkusb5.inf",
    "WINDOWS\\INF\\OTHER\\tolvekmdmtvk5u.inf",
    "WINDOWS\\INF\\OTHER\\tvkusb5.inf",
    "WINDOWS\\INF\\OTHER\\mdmtvk5u.inf",
    "WINDOWS\\INF\\tvkusb5.inf",
    "WINDOWS\\INF\\mdmtvk5u.inf",
};

// Kept: the PNF files, the port adapter's driver and other INF files.
const char* const kKeptFiles[] = {
    "WINDOWS\\INF\\mdmtvk5u.pnf",   "WINDOWS\\INF\\tvkusb5.pnf", "WINDOWS\\INF\\OTHER\\tolvektvkndis3.inf",
    "WINDOWS\\SYSTEM\\sysfser.sys", "WINDOWS\\INF\\mdmgen.inf",
};

void WriteFiles(EngineMachine& m, std::span<const char* const> files) {
  for (std::string path : files) {
    const std::string text = "file " + path;
    for (char& c : path) {
      if (c == '\\') c = '/';
    }
    m.Image().Write("drive_c/" + path, text);
  }
}

std::unique_ptr<EngineMachine> ClassScanMachine(const Routine& routine, bool withClassKeys = true) {
  MachineSpec spec;
  spec.win98 = true;
  spec.reg = kEnumReg;
  if (withClassKeys) {
    // The other class holds ids that would match, so a routine that scans
    // the wrong class shows.
    for (const char* cls : {routine.usbClass, routine.otherClass})
      spec.reg += InstanceKeys(kClassRoot + std::string(cls), kUsbInstances);
    spec.reg += InstanceKeys(kClassRoot + std::string("Modem"), kModemInstances);
  }
  auto m = std::make_unique<EngineMachine>(spec);
  WriteFiles(*m, kDeviceFiles);
  WriteFiles(*m, kKeptFiles);
  return m;
}

MachineSnapshot WithoutDevice(MachineSnapshot expected, const Routine& routine, bool withClassKeys) {
  expected.WithoutKeyTree("Enum\\USB\\VID_0E9C&PID_0012").WithoutKeyTree("Enum\\WDM_MODEM\\TKV0301");
  for (const char* file : kDeviceFiles) expected.WithoutFile(file);
  if (!withClassKeys) return expected;
  for (const Instance& instance : kUsbInstances) {
    if (instance.removed) expected.WithoutKeyTree(kClassRoot + std::string(routine.usbClass) + "\\" + instance.name);
  }
  for (const Instance& instance : kModemInstances) {
    if (instance.removed) expected.WithoutKeyTree(kClassRoot + std::string("Modem\\") + instance.name);
  }
  return expected;
}

class WdmClassScanRemoval : public RemovalTest {};

TEST_F(WdmClassScanRemoval, RemovesTheInstancesWhoseIdFollowsTheSkippedPrefix) {
  for (const Routine& routine : kRoutines) {
    for (bool withClassKeys : {true, false}) {
      SCOPED_TRACE(std::string(routine.name) + (withClassKeys ? "" : ", class scans find nothing"));
      auto m = ClassScanMachine(routine, withClassKeys);
      const MachineSnapshot expected = WithoutDevice(MachineSnapshot::Take(*m), routine, withClassKeys);

      EXPECT_EQ(((m->Engine()).*routine.remove)(routine.mode), 1);
      ExpectMachine(expected, MachineSnapshot::Take(*m));
      EXPECT_EQ(((m->Engine()).*routine.remove)(routine.mode), 1);
      ExpectMachine(expected, MachineSnapshot::Take(*m));
      EXPECT_TRUE(m->Sheet().messages.empty());
      EXPECT_EQ(m->Machine().OpenHandles(), 0);
    }
  }
}

TEST_F(WdmClassScanRemoval, OtherModesTouchNothing) {
  struct Case {
    const Routine& routine;
    int mode;
    int result;
  } cases[] = {
      {kRoutines[0], 0, 0}, {kRoutines[0], 2, 1}, {kRoutines[0], 3, 0},  {kRoutines[0], -1, 0},
      {kRoutines[1], 0, 0}, {kRoutines[1], 3, 0}, {kRoutines[1], -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.routine.name) + " mode " + std::to_string(c.mode));
    auto m = ClassScanMachine(c.routine);
    const MachineSnapshot before = MachineSnapshot::Take(*m);
    EXPECT_EQ(((m->Engine()).*c.routine.remove)(c.mode), c.result);
    ExpectMachine(before, MachineSnapshot::Take(*m));
    EXPECT_EQ(m->WorkFileText(), "");
  }
}

}  // namespace
}  // namespace zr::testing

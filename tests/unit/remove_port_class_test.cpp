// The USB port adapter's removal on a Windows 98 machine: which class
// instances count as the device's, when the shared port driver stays for a
// sibling adapter, and that nothing of other devices is touched.
#include <filesystem>

#include "removal_fixture.h"

namespace zr::testing {
namespace {

constexpr char kUsbClass[] = "System\\CurrentControlSet\\Services\\Class\\Usb";
constexpr char kModemClass[] = "System\\CurrentControlSet\\Services\\Class\\Modem";

// The device installed as a port adapter, beside a mouse, a neighbouring
// product of the same vendor, another modem and a WDM instance of the
// device (which this removal leaves to its own routine).
const std::string kPortAdapterReg = R"(
[HKEY_LOCAL_MACHINE\Enum\USB\VID_0E9C&PID_0012]
[HKEY_LOCAL_MACHINE\Enum\USB\VID_0E9C&PID_0012\5&12&0&1]
"DeviceDesc"="tolvek ZR-77Q5K USB Port Adapter"
"Driver"="Usb\\0000"
[HKEY_LOCAL_MACHINE\Enum\USB\VID_0E9C&PID_0012\5&12&0&1\LogConfig]
[HKEY_LOCAL_MACHINE\Enum\USB\VID_0E9C&PID_0013\5&12&0&2]
"DeviceDesc"="tolvek PRX-320 USB Port Adapter"
[HKEY_LOCAL_MACHINE\Enum\USB\VID_046D&PID_C00E\5&12&0&3]
"DeviceDesc"="USB Mouse"
[HKEY_LOCAL_MACHINE\Enum\USBMODEM\VID_0E9C&PID_0012\0000]
"Driver"="Modem\\0000"
[HKEY_LOCAL_MACHINE\Enum\USBMODEM\VID_0E9C&PID_0013\0000]
"Driver"="Modem\\0002"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Usb\0000]
"DriverDesc"="tolvek ZR-77Q5K USB Port Adapter"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Usb\0000\Settings]
"Port"="COM5"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Usb\0002]
"DriverDesc"="TOLVEK zr-77q5k usb port adapter COM6"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Usb\0003]
"DriverDesc"="tolvek ZR-77Q5K USB Port Adapte"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Usb\0004]
"DriverDesc"="USB Mouse"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Usb\0005\Settings]
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Usb\0006]
"DriverDesc"="tolvek ZR-77Q5K USB Port Adapter )" +
                                    std::string(240, '.') + R"("
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Usb\0256]
"DriverDesc"="tolvek ZR-77Q5K USB Port Adapter"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Usb\12]
"DriverDesc"="tolvek ZR-77Q5K USB Port Adapter"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Modem\0000]
"PortDriver"="sysfport.vxd"
"InfPath"="mdmtvk5u.inf"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Modem\0000\Init]
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Modem\0001]
"PortDriver"="SYSFPORT.VXD"
"InfPath"="MDMTVK5U.INF"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Modem\0002]
"PortDriver"="sysfport.vxd"
"InfPath"="mdmgen.inf"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Modem\0003]
"PortDriver"="sysfport.vxd"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Modem\0004]
"PortDriver"="serialui.vxd"
"InfPath"="mdmtvk5u.inf"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Modem\0005]
"PortDriver"="sysfport.vx"
"InfPath"="mdmtvk5u.inf"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Wdm\0000]
"MatchingDeviceId"="USB\\VID_0E9C&PID_0012"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\VxD\MSTCP]
"StaticVxD"="mstcp.vxd"
)";

const std::string kMapsysReg = R"(
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\mapsys]
"ImagePath"="System32\\drivers\\sysfmapr.sys"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\mapsys\Enum]
"0"="USB\\VID_0E9C&PID_0012\\5&12&0&1"
)";

const char* const kDriverFiles[] = {"sysfser.sys", "sysfser.dll", "sysfmapr.sys", "sysfport.vxd"};

// The seven INF and PNF files of the device; the folders are spelled as an
// installation may have left them.
const char* const kDeviceInfFiles[] = {
    "WINDOWS\\INF\\tvkusb5.inf",
    "WINDOWS\\INF\\MDMTVK5U.INF",
    "WINDOWS\\INF\\OTHER\\tolvektvkusb5.inf",
    "WINDOWS\\INF\\OTHER\\tolvekmdmtvk5u.inf",
    "WINDOWS\\INF\\mdmtvk5u.pnf",
    "WINDOWS\\INF\\OTHER\\tvkusb5.inf",
    "WINDOWS\\INF\\OTHER\\mdmtvk5u.inf",
};

// Files of others, and the device's USB PNF, which this removal keeps.
const char* const kOtherFiles[] = {
    "WINDOWS\\INF\\tvkusb5.pnf",
    "WINDOWS\\INF\\OTHER\\tolvekprx320.inf",
    "WINDOWS\\INF\\mdmgen.inf",
    "WINDOWS\\INF\\oem1.inf",
    "WINDOWS\\SYSTEM\\serialui.vxd",
    "WINDOWS\\SYSTEM\\sysfser.ini",
    "WINDOWS\\system32\\drivers\\sysfmapr.sys",
};

std::string DiskPath(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return "drive_c/" + path;
}

struct Layout {
  std::string siblings;  // extra .reg lines: other adapters' class instances
  bool mapsys = true;
  std::vector<std::string> driverFiles{std::begin(kDriverFiles), std::end(kDriverFiles)};
};

std::unique_ptr<EngineMachine> PortAdapterMachine(const Layout& layout) {
  MachineSpec spec;
  spec.win98 = true;
  spec.reg = kPortAdapterReg + layout.siblings + (layout.mapsys ? kMapsysReg : "");
  auto machine = std::make_unique<EngineMachine>(spec);
  for (const std::string& file : layout.driverFiles)
    machine->Image().Write(DiskPath("WINDOWS\\SYSTEM\\" + file), "driver " + file);
  for (const char* file : kDeviceInfFiles) machine->Image().Write(DiskPath(file), std::string("inf ") + file);
  for (const char* file : kOtherFiles) machine->Image().Write(DiskPath(file), std::string("other ") + file);
  // A read-only file of the device goes as well.
  std::filesystem::permissions(machine->Image().Folder() / DiskPath(kDeviceInfFiles[0]),
                               std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
  return machine;
}

// What the removal must leave: the snapshot without the device's keys and
// INF files, and without the shared driver set unless a sibling keeps it.
MachineSnapshot WithoutDevice(MachineSnapshot expected, const Layout& layout, bool driversStay) {
  expected.WithoutKeyTree("Enum\\USB\\VID_0E9C&PID_0012")
      .WithoutKeyTree("Enum\\USBMODEM\\VID_0E9C&PID_0012")
      .WithoutKeyTree(std::string(kUsbClass) + "\\0000")
      .WithoutKeyTree(std::string(kUsbClass) + "\\0002")
      .WithoutKeyTree(std::string(kModemClass) + "\\0000")
      .WithoutKeyTree(std::string(kModemClass) + "\\0001");
  for (const char* file : kDeviceInfFiles) expected.WithoutFile(file);
  if (!driversStay) {
    for (const std::string& file : layout.driverFiles) expected.WithoutFile("WINDOWS\\SYSTEM\\" + file);
    if (layout.mapsys) expected.WithoutKeyTree("System\\CurrentControlSet\\Services\\mapsys");
  }
  return expected;
}

class PortClassRemoval : public RemovalTest {};

TEST_F(PortClassRemoval, RemovesTheDeviceAndTheSharedDriverOnlyWhenNoSiblingIsLeft) {
  const std::string tvkSibling = R"(
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Usb\0001]
"DriverDesc"="TVK USB Port Adapter"
)";
  struct Case {
    const char* what;
    Layout layout;
    bool driversStay;
  } cases[] = {
      {"a TVK USB Port Adapter instance keeps the driver set", {tvkSibling}, true},
      {"a sibling in other letter case, with more text, keeps it",
       {R"(
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Usb\0007]
"DriverDesc"="qra usb port adapter #2"
)"},
       true},
      {"no sibling left: all four files and mapsys go", {}, false},
      {"no sibling, some of the set already missing", {"", false, {"sysfser.dll", "sysfport.vxd"}}, false},
      {"a sibling numbered 0256 is never looked at",
       {R"(
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Usb\0256\Sibling]
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Usb\256]
"DriverDesc"="TVK USB Port Adapter"
)"},
       false},
      {"a sibling description cut short does not count",
       {R"(
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Usb\0001]
"DriverDesc"="TVK USB Port Adapte"
)"},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto m = PortAdapterMachine(c.layout);
    const MachineSnapshot expected = WithoutDevice(MachineSnapshot::Take(*m), c.layout, c.driversStay);

    EXPECT_EQ(m->Engine().RemovePortClass(1), 1);
    ExpectMachine(expected, MachineSnapshot::Take(*m));

    // A second run finds nothing more to do and changes nothing.
    EXPECT_EQ(m->Engine().RemovePortClass(1), 1);
    ExpectMachine(expected, MachineSnapshot::Take(*m));
    EXPECT_TRUE(m->Sheet().messages.empty());
    EXPECT_EQ(m->Machine().OpenHandles(), 0);
  }
}

TEST_F(PortClassRemoval, SiblingCheckCountsEveryOtherAdapterButNotTheDeviceItself) {
  struct Case {
    const char* description;
    const char* instance;
    int result;
  } cases[] = {
      {"tolvek PRX-320 USB Port Adapter", "0000", 1},
      {"QUILLNET7 USB Port Adapter", "0001", 1},
      {"tolvek PRX-310 USB Port Adapter", "0010", 1},
      {"Orsel OX-301 USB Port Adapter", "0100", 1},
      {"KLMB-204 USB Port Adapter", "0200", 1},
      {"ZR-81Q5P USB Port Adapter", "0255", 1},
      {"KLMB USB Port Adapter", "0000", 1},
      {"tvk usb port adapter", "0000", 1},
      {"QRA USB Port Adapter (COM9)", "0000", 1},
      {"tolvek ZR-77Q5K USB Port Adapter", "0000", 0},
      {"QRA USB Port Adapte", "0000", 0},
      {" QRA USB Port Adapter", "0000", 0},
      {"QRA USB Port Adapter", "0256", 0},
      {"QRA USB Port Adapter", "255", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.description) + " at " + c.instance);
    MachineSpec spec;
    spec.win98 = true;
    spec.reg = std::string("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Usb\\") + c.instance +
               "]\n\"DriverDesc\"=\"" + c.description + "\"\n";
    EngineMachine m(spec);
    EXPECT_EQ(m.Engine().HasOtherPortAdapter(), c.result);
    EXPECT_EQ(m.Machine().OpenHandles(), 0);
  }
}

TEST_F(PortClassRemoval, OnlyModeOneRemoves) {
  struct Case {
    int mode;
    int result;
  } cases[] = {{0, 0}, {2, 1}, {3, 0}, {-1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    auto m = PortAdapterMachine({});
    const MachineSnapshot before = MachineSnapshot::Take(*m);
    EXPECT_EQ(m->Engine().RemovePortClass(c.mode), c.result);
    ExpectMachine(before, MachineSnapshot::Take(*m));
    EXPECT_EQ(m->WorkFileText(), "");
  }
}

}  // namespace
}  // namespace zr::testing

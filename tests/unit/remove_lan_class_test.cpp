// The USB-LAN adapter's removal: on Windows 98 (mode 1) its hardware keys,
// class driver keys and the network components bound to it, as detection
// recorded them; on Windows 2000/XP (mode 2) the captured key trees of each
// recorded instance and its one "Descriptions" value. Other adapters and
// components come through unchanged.
#include <string>

#include "tests/support/engine_over_image.h"

namespace zr::testing {
namespace {

const std::string kClass9x = "System\\CurrentControlSet\\Services\\Class\\";
// The driver and INF files of win98-lan, which every mode-1 removal takes.
const char* const kLan9xFiles[] = {"WINDOWS\\SYSTEM32\\DRIVERS\\tvkndis.sys", "WINDOWS\\INF\\OTHER\\tolvektvkndis3.inf",
                                   "WINDOWS\\INF\\tvkndis3.inf"};

class LanClassRemoval : public ::testing::Test {};

TEST_F(LanClassRemoval, Mode1RemovesTheAdapterAndTheComponentsBoundToIt) {
  // The bound components three levels deep, and the class keys of the
  // first level only (see the image's README).
  EngineOverImage m("win98-lan");
  MachineSnapshot expected = m.Snapshot();
  for (const char* file : kLan9xFiles) expected.WithoutFile(file);
  expected.WithoutKeyTree("Enum\\USB\\VID_0E9C&PID_0022");
  for (const char* key : {"Net\\0001", "NetTrans\\0000", "NetTrans\\0001"}) expected.WithoutKeyTree(kClass9x + key);
  for (const char* key : {"MSTCP\\0000", "NWLINK\\0000", "VREDIR\\0000", "VSERVER\\0000", "NWNBLINK\\0000",
                          "NWREDIR\\0000", "VREDIR\\0001", "VSERVER\\0001"})
    expected.WithoutKeyTree("Enum\\Network\\" + std::string(key));
  m.Engine().CheckWindowsVersion();
  ExpectIdleModes(m, &CRegEdit::RemoveLanClass, {{0, 0}, {3, 0}, {-1, 0}});
  ExpectRemovedTwice(m, &CRegEdit::DetectUsbLan, &CRegEdit::RemoveLanClass, 1, expected);
}

// Bindings written to the work file directly: how far each level of the
// list is followed.
TEST_F(LanClassRemoval, Mode1FollowsAtMost32BindingsPerLevel) {
  // 33 at each level below the first of the level above it.
  auto name = [](char level, int n) { return std::string(1, level) + "\\" + std::to_string(1000 + n); };
  std::string reg;
  for (const char level : {'A', 'B', 'C'})
    for (int n = 0; n <= 32; ++n) reg += RegKey("Enum\\Network\\" + name(level, n));
  EngineOverImage m("win98-lan");
  m.Plug(reg);
  MachineSnapshot expected = m.Snapshot();
  for (const char* file : kLan9xFiles) expected.WithoutFile(file);
  CRegEdit& e = m.Engine();
  for (int n = 0; n <= 32; ++n) {
    const std::string p = "lan_bind0_p_bind" + std::to_string(n), q = "lan_bind0_p_bind0_bind" + std::to_string(n);
    e.WriteWorkText("lan_bind" + std::to_string(n), "index", std::to_string(n + 1));
    e.WriteWorkText("lan_bind" + std::to_string(n), "reg_enum", name('A', n));
    e.WriteWorkText("lan_bind0", p + "_index", std::to_string(n + 1));
    e.WriteWorkText("lan_bind0", p + "_reg_enum", name('B', n));
    e.WriteWorkText("lan_bind0", q + "_index", "1");
    e.WriteWorkText("lan_bind0", q + "_reg_enum", name('C', n));
    for (const char level : {'A', 'B', 'C'})
      if (n < 32) expected.WithoutKeyTree("Enum\\Network\\" + name(level, n));
  }
  // A driver name that names a whole class, not one instance of it.
  e.WriteWorkText("lan_bind0", "reg_driver", "NetTrans\\");
  e.WriteWorkText("lan_bind1", "reg_driver", "\\NetTrans");
  EXPECT_EQ(e.RemoveLanClass(1), 1);
  ExpectMachine(expected, m.Snapshot());
}

TEST_F(LanClassRemoval, Mode2RemovesTheAdapterAndOnlyItsDescription) {
  // The USB-LAN side of the image (see its README); its modem side stays.
  EngineOverImage m("win2000-modem-lan");
  MachineSnapshot expected = m.Snapshot();
  const std::string control = "SYSTEM\\CurrentControlSet\\Control\\", net = "{4D36E972-E325-11CE-BFC1-08002BE10318}";
  auto interface = [&](const std::string& guid) {
    return control + "DeviceClasses\\" + guid + "\\##?#USB#Vid_0e9c&Pid_0022#6&1f2e3d4c&0&2#" + guid;
  };
  const std::string keys[] = {"SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0022\\6&1f2e3d4c&0&2",
                              control + "Class\\" + net + "\\0001",
                              control + "Network\\" + net + "\\{8F2D4C61-3B7A-4E19-A5C2-7D1E9B30F4A8}",
                              interface("{a5dcbf10-6530-11d2-901f-00c04fb951ed}"),
                              interface("{ad498944-762f-11d0-8dcb-00c04fc3358c}"),
                              "SYSTEM\\CurrentControlSet\\Services\\tvkndis"};
  for (const std::string& key : keys) expected.WithoutKeyTree(key);
  expected.WithoutValue(control + "Network\\" + net + "\\Descriptions", "tolvek ZR-77Q5K USB-Lan Adapter")
      .WithToolAccessList(control + "Network\\" + net + "\\Descriptions");
  for (const char* file : {"WINDOWS\\inf\\oem2.inf", "WINDOWS\\inf\\oem2.PNF", "WINDOWS\\inf\\tvkndis3.inf",
                           "WINDOWS\\inf\\tvkndis3.PNF", "WINDOWS\\system32\\drivers\\tvkndis.sys"})
    expected.WithoutFile(file);
  m.Engine().CheckWindowsVersion();
  m.Engine().DetectUsbLan();
  ExpectIdleModes(m, &CRegEdit::RemoveLanClass, {{0, 0}, {3, 0}, {-1, 0}});
  ExpectRemovedTwice(m, &CRegEdit::DetectUsbLan, &CRegEdit::RemoveLanClass, 2, expected);
}

// Mode 1 takes an instance whose description begins with the adapter's, and
// the class key of every instance whose driver is described so; mode 2 only
// an instance described exactly so. Neither mode 1 nor mode 2 takes a key
// of an instance that is not the adapter's.
TEST_F(LanClassRemoval, WhichRecordedInstancesEachModeTakes) {
  const std::string adapter = "tolvek ZR-77Q5K USB-Lan Adapter", cls = "Net\\";
  // A class name with a Shift-JIS letter whose second byte is a backslash.
  const std::string kKanaClass = "N\x83\x5C\\0003";
  for (const bool win98 : {true, false}) {
    SCOPED_TRACE(win98 ? "mode 1" : "mode 2");
    const std::string enumUsb = win98 ? "Enum\\USB\\" : "SYSTEM\\CurrentControlSet\\Enum\\USB\\";
    const std::string classes = win98 ? kClass9x : "SYSTEM\\CurrentControlSet\\Control\\Class\\";
    EngineOverImage m(win98 ? Windows::k98 : Windows::kXp,
                      RegKey(enumUsb + "LAN\\1") + RegKey(enumUsb + "OTHER\\1") +
                          RegKeyText(classes + cls + "0001", {{"DriverDesc", adapter + " #2"}}) +
                          RegKeyText(classes + cls + "0002", {{"DriverDesc", "Another NIC"}}) +
                          RegKeyText(classes + kKanaClass, {{"DriverDesc", adapter}}));
    m.WriteC("WINDOWS\\inf\\tvkndis3.pnf", "pnf");
    const struct {
      const char* root;
      int device;
      std::string name, driver;
    } records[] = {{"usb_root0", 0, adapter + " #2", "Net\\0001"},
                   {"usb_root1", 0, "Another NIC", "Net\\0002"},
                   {"usb_root1", 1, "Another", kKanaClass}};
    for (const auto& r : records) {
      const std::string d = "usb_device" + std::to_string(r.device);
      m.Engine().WriteWorkText(r.root, "index", "1");
      m.Engine().WriteWorkText(r.root, "reg_enum", r.root == std::string("usb_root0") ? "LAN" : "OTHER");
      for (const auto& [key, value] : RegValues{{"_index", "1"},
                                                {"_reg_dev_name", r.name},
                                                {"_reg_driver", r.driver},
                                                {"_reg_enum", "1"},
                                                {"_reg_service", "tvkndis"}})
        m.Engine().WriteWorkText(r.root, d + key, value);
    }
    MachineSnapshot expected = m.Snapshot();
    if (win98)
      expected.WithoutKeyTree(enumUsb + "LAN")
          .WithoutKeyTree(classes + cls + "0001")
          .WithoutKeyTree(classes + kKanaClass);
    else
      expected.WithoutFile("WINDOWS\\inf\\tvkndis3.pnf");  // the one PNF file a removal of the adapter takes
    EXPECT_EQ(m.Engine().RemoveLanClass(win98 ? 1 : 2), 1);
    ExpectMachine(expected, m.Snapshot());
  }
}

}  // namespace
}  // namespace zr::testing

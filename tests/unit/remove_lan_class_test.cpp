// The USB-LAN adapter's removal: on Windows 98 (mode 1) its hardware keys,
// class driver keys and the network components bound to it, as detection
// recorded them; on Windows XP (mode 2) the captured key trees of each
// recorded instance and its one "Descriptions" value. Other adapters and
// components come through unchanged.
#include <cstdio>
#include <map>
#include <set>

#include "removal_fixture.h"

namespace zr::testing {
namespace {

constexpr char kNet9x[] = "System\\CurrentControlSet\\Services\\Class\\";

// --- Windows 98 -------------------------------------------------------------

// The adapter (two instances below one hardware key, bound to TCP/IP and
// NetBEUI; a client bound to TCP/IP, a redirector bound to the client),
// an instance of a related product whose description only begins with the
// adapter's, and another network card bound to its own TCP/IP instance. One
// binding names the bare component "MSTCP", whose key must not go.
const std::string kLan98Reg = R"(
[HKEY_LOCAL_MACHINE\Enum\USB\VID_0E9C&PID_0013\6&1&0&1]
"DeviceDesc"="tolvek ZR-77Q5K USB-Lan Adapter"
"Driver"="Net\\0003"
[HKEY_LOCAL_MACHINE\Enum\USB\VID_0E9C&PID_0013\6&1&0&1\Bindings]
"MSTCP"=""
"MSTCP\\0000"=""
"NETBEUI\\0000"=""
[HKEY_LOCAL_MACHINE\Enum\USB\VID_0E9C&PID_0013\6&1&0&2]
"DeviceDesc"="TOLVEK ZR-77Q5K USB-LAN ADAPTER"
"Driver"="Net\\0004"
[HKEY_LOCAL_MACHINE\Enum\USB\VID_0E9C&PID_0014\6&2&0&1]
"DeviceDesc"="tolvek ZR-77Q5K USB-Lan Adapter II"
"Driver"="Net\\0005"
[HKEY_LOCAL_MACHINE\Enum\USB\VID_1111&PID_2222\7&1]
"DeviceDesc"="Other USB NIC"
"Driver"="Net\\0000"
[HKEY_LOCAL_MACHINE\Enum\USB\VID_1111&PID_2222\7&1\Bindings]
"MSTCP\\0001"=""
[HKEY_LOCAL_MACHINE\Enum\Network\MSTCP]
"Driver"="NetTrans"
[HKEY_LOCAL_MACHINE\Enum\Network\MSTCP\0000]
"Driver"="NetTrans\\0000"
[HKEY_LOCAL_MACHINE\Enum\Network\MSTCP\0000\Bindings]
"VREDIR\\0000"=""
"NWLINK\\0000"=""
[HKEY_LOCAL_MACHINE\Enum\Network\MSTCP\0001]
"Driver"="NetTrans\\0001"
[HKEY_LOCAL_MACHINE\Enum\Network\NETBEUI\0000]
"Driver"="NetTrans\\0002"
[HKEY_LOCAL_MACHINE\Enum\Network\VREDIR\0000]
"Driver"="NetClient\\0000"
[HKEY_LOCAL_MACHINE\Enum\Network\VREDIR\0000\Bindings]
"NWREDIR\\0000"=""
[HKEY_LOCAL_MACHINE\Enum\Network\NWLINK\0000]
"Driver"="NetTrans\\0003"
[HKEY_LOCAL_MACHINE\Enum\Network\NWREDIR\0000]
"Driver"="NetClient\\0001"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Net\0000]
"DriverDesc"="Other USB NIC"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Net\0003]
"DriverDesc"="tolvek ZR-77Q5K USB-Lan Adapter"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Net\0003\Ndi]
"DeviceID"="USB\\VID_0E9C&PID_0013"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Net\0004]
"DriverDesc"="TOLVEK ZR-77Q5K USB-LAN ADAPTER #2"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Net\0005]
"DriverDesc"="tolvek ZR-77Q5K USB-Lan Adapter II"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\NetTrans\0000]
"DriverDesc"="TCP/IP"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\NetTrans\0001]
"DriverDesc"="TCP/IP"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\NetTrans\0002]
"DriverDesc"="NetBEUI"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\NetTrans\0003]
"DriverDesc"="IPX/SPX"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\NetClient\0000]
"DriverDesc"="Client"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\NetClient\0001]
"DriverDesc"="Redirector"
)";

void WriteFiles(EngineMachine& m, std::initializer_list<const char*> files) {
  for (std::string path : files) {
    const std::string text = "file " + path;
    for (char& c : path) {
      if (c == '\\') c = '/';
    }
    m.Image().Write("drive_c/" + path, text);
  }
}

std::unique_ptr<EngineMachine> Lan98Machine(const std::string& reg) {
  MachineSpec spec;
  spec.win98 = true;
  spec.reg = reg;
  auto m = std::make_unique<EngineMachine>(spec);
  WriteFiles(*m, {"WINDOWS\\system32\\drivers\\tvkndis.sys", "WINDOWS\\INF\\OTHER\\tolvektvkndis3.inf",
                  "WINDOWS\\INF\\OTHER\\tvkndis3.inf", "WINDOWS\\INF\\tvkndis3.inf", "WINDOWS\\INF\\tvkndis3.pnf",
                  "WINDOWS\\SYSTEM\\tvkndis.sys", "WINDOWS\\INF\\OTHER\\tolvekmdmtvk5u.inf", "WINDOWS\\INF\\net.inf"});
  return m;
}

MachineSnapshot& WithoutLan98Files(MachineSnapshot& expected) {
  for (const char* file : {"WINDOWS\\system32\\drivers\\tvkndis.sys", "WINDOWS\\INF\\OTHER\\tolvektvkndis3.inf",
                           "WINDOWS\\INF\\OTHER\\tvkndis3.inf", "WINDOWS\\INF\\tvkndis3.inf"})
    expected.WithoutFile(file);
  return expected;
}

class LanClassRemoval : public RemovalTest {};

TEST_F(LanClassRemoval, Mode1RemovesTheAdapterAndTheComponentsBoundToIt) {
  auto m = Lan98Machine(kLan98Reg);
  MachineSnapshot expected = MachineSnapshot::Take(*m);
  // Hardware keys of every instance whose description begins with the
  // adapter's; driver keys whose own description does.
  expected.WithoutKeyTree("Enum\\USB\\VID_0E9C&PID_0013").WithoutKeyTree("Enum\\USB\\VID_0E9C&PID_0014");
  expected.WithoutKeyTree(kNet9x + std::string("Net\\0003")).WithoutKeyTree(kNet9x + std::string("Net\\0004"));
  // Bound components at three levels, and the driver keys of the first.
  for (const char* component : {"MSTCP\\0000", "NETBEUI\\0000", "VREDIR\\0000", "NWLINK\\0000", "NWREDIR\\0000"})
    expected.WithoutKeyTree("Enum\\Network\\" + std::string(component));
  expected.WithoutKeyTree(kNet9x + std::string("NetTrans\\0000"))
      .WithoutKeyTree(kNet9x + std::string("NetTrans\\0002"));
  WithoutLan98Files(expected);

  m->Engine().CheckWindowsVersion();
  m->Engine().DetectUsbLan();
  EXPECT_EQ(m->Engine().RemoveLanClass(1), 1);
  ExpectMachine(expected, MachineSnapshot::Take(*m));
  EXPECT_EQ(m->Machine().OpenHandles(), 0);

  m->Engine().DetectUsbLan();
  EXPECT_EQ(m->Engine().RemoveLanClass(1), 1);
  ExpectMachine(expected, MachineSnapshot::Take(*m));
  EXPECT_TRUE(m->Sheet().messages.empty());
}

// Work-file bindings written directly: how far each level of the list is
// followed.
TEST_F(LanClassRemoval, Mode1FollowsAtMost32BindingsPerLevel) {
  struct Entry {
    std::string section;
    std::string key;
    std::string value;
  };
  struct Case {
    const char* what;
    std::vector<Entry> entries;
    int removedFirst;  // FIRST\0000 .. : how many go
    int removedSecond;
    int removedThird;
  };
  auto numbered = [](const char* level, int n) {
    char name[32];
    std::snprintf(name, sizeof name, "%s\\%04d", level, n);
    return std::string(name);
  };
  std::vector<Case> cases;
  {
    Case c{"33 first-level bindings", {}, 32, 0, 0};
    for (int b = 0; b <= 32; ++b) {
      const std::string section = "lan_bind" + std::to_string(b);
      c.entries.push_back({section, "index", std::to_string(b + 1)});
      c.entries.push_back({section, "reg_enum", numbered("FIRST", b)});
    }
    cases.push_back(c);
  }
  {
    Case c{
        "33 second-level bindings", {{"lan_bind0", "index", "1"}, {"lan_bind0", "reg_enum", "FIRST\\0000"}}, 1, 32, 0};
    for (int p = 0; p <= 32; ++p) {
      const std::string key = "lan_bind0_p_bind" + std::to_string(p);
      c.entries.push_back({"lan_bind0", key + "_index", std::to_string(p + 1)});
      c.entries.push_back({"lan_bind0", key + "_reg_enum", numbered("SECOND", p)});
    }
    cases.push_back(c);
  }
  {
    Case c{"33 third-level bindings",
           {{"lan_bind0", "index", "1"},
            {"lan_bind0", "reg_enum", "FIRST\\0000"},
            {"lan_bind0", "lan_bind0_p_bind0_index", "1"},
            {"lan_bind0", "lan_bind0_p_bind0_reg_enum", "SECOND\\0000"}},
           1,
           1,
           32};
    for (int q = 0; q <= 32; ++q) {
      const std::string key = "lan_bind0_p_bind0_bind" + std::to_string(q);
      c.entries.push_back({"lan_bind0", key + "_index", "1"});
      c.entries.push_back({"lan_bind0", key + "_reg_enum", numbered("THIRD", q)});
    }
    cases.push_back(c);
  }
  cases.push_back({"an index that reads 0 ends its list",
                   {{"lan_bind0", "index", "1"},
                    {"lan_bind0", "reg_enum", "FIRST\\0000"},
                    {"lan_bind0", "lan_bind0_p_bind0_index", "x"},
                    {"lan_bind0", "lan_bind0_p_bind0_reg_enum", "SECOND\\0000"},
                    {"lan_bind1", "index", "0"},
                    {"lan_bind1", "reg_enum", "FIRST\\0001"},
                    {"lan_bind2", "index", "3"},
                    {"lan_bind2", "reg_enum", "FIRST\\0002"}},
                   1,
                   0,
                   0});

  std::string reg;
  for (const char* level : {"FIRST", "SECOND", "THIRD"}) {
    for (int n = 0; n <= 32; ++n) reg += "[HKEY_LOCAL_MACHINE\\Enum\\Network\\" + numbered(level, n) + "\\Bindings]\n";
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto m = Lan98Machine(reg);
    MachineSnapshot expected = MachineSnapshot::Take(*m);
    const std::pair<const char*, int> removed[] = {
        {"FIRST", c.removedFirst}, {"SECOND", c.removedSecond}, {"THIRD", c.removedThird}};
    for (const auto& [level, count] : removed) {
      for (int n = 0; n < count; ++n) expected.WithoutKeyTree("Enum\\Network\\" + numbered(level, n));
    }
    WithoutLan98Files(expected);
    for (const Entry& e : c.entries) m->Engine().WriteWorkText(e.section, e.key, e.value);

    EXPECT_EQ(m->Engine().RemoveLanClass(1), 1);
    ExpectMachine(expected, MachineSnapshot::Take(*m));
  }
}

// --- Windows XP -------------------------------------------------------------

constexpr char kNetGuid[] = "{4D36E972-E325-11CE-BFC1-08002BE10318}";
constexpr char kUsbInterface[] = "{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
constexpr char kNetInterface[] = "{ad498944-762f-11d0-8dcb-00c04fc3358c}";
constexpr char kAdapter[] = "tolvek ZR-77Q5K USB-Lan Adapter";
const std::string kControl = "SYSTEM\\CurrentControlSet\\Control\\";
const std::string kDescriptions = kControl + "Network\\" + kNetGuid + "\\Descriptions";

struct LanInstance {
  std::string instance;  // below Vid_0e9c&Pid_0013
  std::string description;
  std::string driver;  // below the network class
  std::string netConf;
  std::string service;

  std::string Interface(const char* guid) const {
    return kControl + "DeviceClasses\\" + guid + "\\##?#USB#Vid_0e9c&Pid_0013#" + instance + "#" + guid;
  }
  std::map<std::string, std::string> Keys() const {
    return {
        {"instance", "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0013\\" + instance},
        {"driver", kControl + "Class\\" + kNetGuid + "\\" + driver},
        {"network", kControl + "Network\\" + kNetGuid + "\\" + netConf},
        {"usb interface", Interface(kUsbInterface)},
        {"net interface", Interface(kNetInterface)},
        {"service", "SYSTEM\\CurrentControlSet\\Services\\" + service},
    };
  }
  std::string Reg() const {
    const auto keys = Keys();
    auto key = [&](const std::string& which, const char* sub = "") {
      return "[HKEY_LOCAL_MACHINE\\" + keys.at(which) + sub + "]\n";
    };
    std::string reg = key("instance") + "\"DeviceDesc\"=\"" + description + "\"\n\"Driver\"=\"" + kNetGuid + "\\\\" +
                      driver + "\"\n\"ClassGUID\"=\"" + kNetGuid + "\"\n\"Service\"=\"" + service + "\"\n";
    reg += key("instance", "\\Device Parameters") + "\"SymbolicName\"=\"\\\\??\\\\USB#Vid_0e9c&Pid_0013#" + instance +
           "#" + kUsbInterface + "\"\n";
    reg += key("instance", "\\Control") + key("instance", "\\LogConf");
    reg += key("driver") + "\"DriverDesc\"=\"" + description + "\"\n\"NetCfgInstanceId\"=\"" + netConf + "\"\n";
    // Four levels below the driver key.
    reg += key("driver", "\\Ndi\\params\\NetworkAddress\\enum") + "\"1\"=\"x\"\n" + key("driver", "\\Ndi\\Interfaces");
    reg += key("network", "\\Connection") + "\"Name\"=\"LAN 2\"\n";
    for (const char* which : {"usb interface", "net interface"})
      reg += key(which) + key(which, "\\#") + key(which, "\\#\\Control") + key(which, "\\Control");
    reg += key("service", "\\Enum") + "\"0\"=\"USB\\\\Vid_0e9c&Pid_0013\\\\" + instance + "\"\n" +
           key("service", "\\Parameters");
    reg += "[HKEY_LOCAL_MACHINE\\" + kDescriptions + "]\n\"" + description + "\"=\"1\"\n";
    return reg;
  }
};

const LanInstance kAdapterInstance{"6&1&0&1", kAdapter, "0007", "{11111111-2222-3333-4444-555555555555}", "tvkndis"};
// Only the whole description counts on XP.
const LanInstance kRelated{"6&1&0&2", "tolvek ZR-77Q5K USB-Lan Adapter II", "0008",
                           "{66666666-2222-3333-4444-555555555555}", "tvkndis2"};

const std::string kLanXpOthers = R"(
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_8086&DEV_100E\3&1]
"Driver"="{4D36E972-E325-11CE-BFC1-08002BE10318}\\0001"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\Vid_0e9c&Pid_0012\5&1&0&1]
"DeviceDesc"="tolvek ZR-77Q5K - USB"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4D36E972-E325-11CE-BFC1-08002BE10318}\0001]
"DriverDesc"="Other NIC"
"NetCfgInstanceId"="{99999999-2222-3333-4444-555555555555}"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Network\{4D36E972-E325-11CE-BFC1-08002BE10318}\{99999999-2222-3333-4444-555555555555}\Connection]
"Name"="LAN"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Network\{4D36E972-E325-11CE-BFC1-08002BE10318}\Descriptions]
"Other NIC"="1"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{ad498944-762f-11d0-8dcb-00c04fc3358c}\##?#PCI#VEN_8086&DEV_100E#3&1#{ad498944-762f-11d0-8dcb-00c04fc3358c}\#]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Tcpip\Parameters\Interfaces\{11111111-2222-3333-4444-555555555555}]
"EnableDHCP"=dword:00000001
)";

const char* const kLanXpDeviceFiles[] = {"WINDOWS\\system32\\drivers\\tvkndis.sys", "WINDOWS\\inf\\oem5.inf",
                                         "WINDOWS\\inf\\oem5.PNF", "WINDOWS\\inf\\tvkndis3.inf",
                                         "WINDOWS\\inf\\tvkndis3.PNF"};

std::unique_ptr<EngineMachine> LanXpMachine(const std::string& reg) {
  MachineSpec spec;
  spec.protectedKeys = {"SYSTEM\\CurrentControlSet\\Enum"};
  spec.reg = kLanXpOthers + reg;
  auto m = std::make_unique<EngineMachine>(spec);
  WriteFiles(*m, {"WINDOWS\\system32\\drivers\\tvkndis.sys", "WINDOWS\\inf\\oem5.PNF", "WINDOWS\\inf\\tvkndis3.inf",
                  "WINDOWS\\inf\\tvkndis3.PNF", "WINDOWS\\inf\\oem4.PNF", "WINDOWS\\inf\\other\\tolvektvkndis3.inf",
                  "WINDOWS\\system32\\drivers\\tvkndis2.sys"});
  m->Image().Write("drive_c/WINDOWS/inf/oem5.inf", "[Strings]\r\nLan=\"tolvek ZR-77Q5K USB-Lan Adapter\"\r\n");
  m->Image().Write("drive_c/WINDOWS/inf/oem4.inf", "[Strings]\r\nModem=\"tolvek ZR-77Q5K USB-Modem\"\r\n");
  return m;
}

void DetectXp(EngineMachine& m) {
  m.Engine().CheckWindowsVersion();
  m.Engine().DetectUsbLan();
}

// The adapter's keys but those kept, its "Descriptions" value unless
// "descriptions" is kept, and the device's files.
MachineSnapshot& WithoutAdapter(MachineSnapshot& expected, const std::set<std::string>& kept = {}) {
  for (const auto& [what, path] : kAdapterInstance.Keys()) {
    if (kept.count(what) == 0) expected.WithoutKeyTree(path);
  }
  if (kept.count("descriptions") == 0) expected.WithoutValue(kDescriptions, kAdapter);
  for (const char* file : kLanXpDeviceFiles) expected.WithoutFile(file);
  return expected;
}

TEST_F(LanClassRemoval, Mode2RemovesTheAdapterAndOnlyItsDescription) {
  auto m = LanXpMachine(kAdapterInstance.Reg() + kRelated.Reg());
  MachineSnapshot expected = MachineSnapshot::Take(*m);
  WithoutAdapter(expected);

  DetectXp(*m);
  EXPECT_EQ(m->Engine().RemoveLanClass(2), 1);
  ExpectMachine(expected, MachineSnapshot::Take(*m));
  EXPECT_TRUE(m->Sheet().messages.empty());
  EXPECT_EQ(m->Machine().OpenHandles(), 0);

  DetectXp(*m);
  EXPECT_EQ(m->Engine().RemoveLanClass(2), 1);
  ExpectMachine(expected, MachineSnapshot::Take(*m));
  EXPECT_TRUE(m->Sheet().messages.empty());
}

TEST_F(LanClassRemoval, Mode2GoesOnAfterAKeyAlreadyGone) {
  for (const char* gone : {"service", "network", "instance"}) {
    SCOPED_TRACE(gone);
    g_bAccessErrorShown = false;
    auto m = LanXpMachine(kAdapterInstance.Reg());
    DetectXp(*m);
    ASSERT_TRUE(m->Machine().Tree().Remove(kAdapterInstance.Keys().at(gone)));
    MachineSnapshot expected = MachineSnapshot::Take(*m);
    WithoutAdapter(expected, {gone});

    EXPECT_EQ(m->Engine().RemoveLanClass(2), 1);
    ExpectMachine(expected, MachineSnapshot::Take(*m));
    EXPECT_EQ(m->Sheet().messages.size(), 1u);
    EXPECT_EQ(m->Sheet().closeRequests, 1);
  }
}

TEST_F(LanClassRemoval, Mode2PassesOverANameThatWouldWidenADeletion) {
  struct Case {
    const char* key;  // in section usb_root, instance 0
    std::string value;
    std::set<std::string> kept;
  } cases[] = {
      {"usb_device0_reg_guid", "", {"network", "descriptions"}},
      {"usb_device0_reg_net_conf", "", {"network"}},
      {"usb_device0_reg_service", "", {"service"}},
      {"usb_device0_reg_driver", kNetGuid, {"driver"}},
      {"usb_device0_reg_sym_name", "", {"usb interface", "net interface"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + "='" + c.value + "'");
    auto m = LanXpMachine(kAdapterInstance.Reg());
    MachineSnapshot expected = MachineSnapshot::Take(*m);
    WithoutAdapter(expected, c.kept);

    DetectXp(*m);
    // The modem's hardware key is root 0, the adapter's root 1.
    ASSERT_EQ(std::string(m->Engine().ReadWorkText("usb_root1", "usb_device0_reg_dev_name").view()), kAdapter);
    m->Engine().WriteWorkText("usb_root1", c.key, c.value);
    EXPECT_EQ(m->Engine().RemoveLanClass(2), 1);
    ExpectMachine(expected, MachineSnapshot::Take(*m));
    EXPECT_TRUE(m->Sheet().messages.empty());
  }
}

TEST_F(LanClassRemoval, OtherModesTouchNothing) {
  for (int mode : {0, 3, -1}) {
    SCOPED_TRACE(mode);
    auto m = LanXpMachine(kAdapterInstance.Reg());
    DetectXp(*m);
    const MachineSnapshot before = MachineSnapshot::Take(*m);
    const std::string workFile = m->WorkFileText();
    EXPECT_EQ(m->Engine().RemoveLanClass(mode), 0);
    ExpectMachine(before, MachineSnapshot::Take(*m));
    EXPECT_EQ(m->WorkFileText(), workFile);
  }
}

}  // namespace
}  // namespace zr::testing

// USB-LAN detection: the result word on each Windows family, the bindings
// recorded on 9x for every USB-LAN instance, and the files that count.
#include <gtest/gtest.h>

#include "tests/unit/detect_fixtures.h"

namespace zr {
namespace {

using testing::EngineMachine;
using testing::MachineSpec;
using testing::RegKeyText;
using testing::RegValues;
using testing::Utf16Le;
using testing::WorkFileOnDisk;

constexpr char kLan[] = "tolvek ZR-77Q5K USB-Lan Adapter";
constexpr char kLanInf[] = "[Strings]\r\nLan=\"tolvek ZR-77Q5K USB-Lan Adapter\"\r\n";
constexpr char kHardware9x[] = "Enum\\USB\\VID_0E9C&PID_0013\\";
constexpr char kClass9x[] = "System\\CurrentControlSet\\Services\\Class\\";

struct LanMachine {
  explicit LanMachine(bool win98, const std::string& reg = "")
      : m([&] {
          MachineSpec spec;
          spec.win98 = win98;
          spec.reg = reg;
          return spec;
        }()) {
    m.Engine().CheckWindowsVersion();
  }
  std::vector<std::string> LanTable() {
    const CRegEdit& e = m.Engine();
    return std::vector<std::string>(e.m_astrLanInf.begin(), e.m_astrLanInf.begin() + e.m_nLanInf);
  }
  EngineMachine m;
};

// A 9x USB-LAN instance: its values, its network class key's description,
// and the components bound to it.
std::string Instance9x(const std::string& name, const RegValues& values, const std::string& driver,
                       std::optional<std::string> classDescription, const std::vector<std::string>& bindings) {
  std::string reg = RegKeyText(kHardware9x + name, values);
  if (classDescription) reg += RegKeyText(kClass9x + driver, {{"DriverDesc", *classDescription}});
  if (!bindings.empty()) {
    RegValues names;
    for (const std::string& b : bindings) names.push_back({b, ""});
    reg += RegKeyText(kHardware9x + name + "\\Bindings", names);
  }
  return reg;
}

TEST(DetectUsbLan9x, WordAndBindingsOfEachInstance) {
  struct Case {
    const char* what;
    std::string reg;
    int word;
    std::optional<std::string> firstBinding;  // lan_bind0 reg_enum; nullopt: no section
  };
  const std::string lan = kLan;
  const Case cases[] = {
      {"driver and class key",
       Instance9x("1", {{"DeviceDesc", lan}, {"Driver", "Net\\0003"}}, "Net\\0003", lan, {"MSTCP\\0000"}), 0x30,
       "MSTCP\\0000"},
      {"class key description with further text, in other case",
       Instance9x("1", {{"DeviceDesc", lan}, {"Driver", "Net\\0003"}}, "Net\\0003", "TOLVEK zr-77q5k usb-lan adapter #2",
                  {"MSTCP\\0000"}),
       0x30, "MSTCP\\0000"},
      {"class key without a description",
       Instance9x("1", {{"DeviceDesc", lan}, {"Driver", "Net\\0003"}}, "Net\\0003", std::nullopt, {"MSTCP\\0000"}),
       0x20, "MSTCP\\0000"},
      {"class key of another adapter",
       Instance9x("1", {{"DeviceDesc", lan}, {"Driver", "Net\\0003"}}, "Net\\0003", "Dial-Up Adapter",
                  {"MSTCP\\0000"}),
       0x20, "MSTCP\\0000"},
      {"no driver", Instance9x("1", {{"DeviceDesc", lan}}, "", std::nullopt, {"MSTCP\\0000"}), 0, std::nullopt},
      // Not found by the snapshot (it wants the whole description), but a
      // USB-LAN instance to this scan: its class key is the class root.
      {"description with further text",
       Instance9x("1", {{"DeviceDesc", lan + " #2"}, {"Driver", "Net\\0003"}}, "Net\\0003", lan, {"MSTCP\\0000"}),
       0, "MSTCP\\0000"},
      {"another device", Instance9x("1", {{"DeviceDesc", "USB Mouse"}}, "", std::nullopt, {"MSTCP\\0000"}), 0,
       std::nullopt},
      {"a driver name of 259 characters",
       Instance9x("1", {{"DeviceDesc", lan}, {"Driver", "Net\\" + std::string(255, '3')}},
                  "Net\\" + std::string(255, '3'), lan, {}),
       0x30, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LanMachine d(true, c.reg);
    EXPECT_EQ(d.m.Engine().DetectUsbLan(), c.word);
    EXPECT_EQ(WorkFileOnDisk(d.m).Value("lan_bind0", "reg_enum"), c.firstBinding);
    EXPECT_EQ(d.m.Machine().OpenHandles(), 0);
  }
}

// Each instance's bindings are captured in turn over the same sections: the
// second instance's overwrite the first's, whose longer tail stays.
TEST(DetectUsbLan9x, CapturesTheBindingsOfEveryInstanceInTurn) {
  const std::string lan = kLan;
  LanMachine d(true, Instance9x("1", {{"DeviceDesc", lan}, {"Driver", "Net\\0003"}}, "Net\\0003", lan,
                                {"MSTCP\\0000", "NWLINK\\0000"}) +
                         Instance9x("2", {{"DeviceDesc", lan}, {"Driver", "Net\\0004"}}, "Net\\0004", lan,
                                    {"NETBEUI\\0000"}) +
                         RegKeyText("Enum\\Network\\NETBEUI\\0000", {{"Driver", "NetTrans\\0001"}}));
  EXPECT_EQ(d.m.Engine().DetectUsbLan(), 0x30);
  WorkFileOnDisk work(d.m);
  EXPECT_EQ(work.Value("lan_bind0", "reg_enum"), "NETBEUI\\0000");
  EXPECT_EQ(work.Value("lan_bind0", "reg_driver"), "NetTrans\\0001");
  EXPECT_EQ(work.Value("lan_bind1", "reg_enum"), "NWLINK\\0000");
  EXPECT_FALSE(work.Value("lan_bind2", "index"));
}

TEST(DetectUsbLan9x, FileProbe) {
  struct Case {
    const char* file;
    int word;
  };
  const Case cases[] = {
      {"inf/other/tolvektvkndis3.inf", 0x10000},
      {"inf/other/tvkndis3.inf", 0x10000},
      {"inf/tvkndis3.inf", 0x10000},
      {"inf/tvkndis3.pnf", 0},
      {"inf/oem12.inf", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    LanMachine d(true);
    d.m.Image().Write(std::string("drive_c/WINDOWS/") + c.file, kLanInf);
    EXPECT_EQ(d.m.Engine().DetectUsbLan(), c.word);
    EXPECT_EQ(d.m.Engine().m_nLanInf, 0);
  }
}

TEST(DetectUsbLanNt, InstanceBitsWithoutBindings) {
  struct Case {
    const char* description;
    bool driver;
    int word;
  };
  const Case cases[] = {
      {kLan, true, 0x30},
      {"TOLVEK zr-77q5k usb-lan adapter", true, 0x30},
      {kLan, false, 0},
      {"tolvek ZR-77Q5K USB-Lan Adapter #2", true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.description) + (c.driver ? " with a driver" : " without a driver"));
    const std::string instance = "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0013\\1";
    RegValues values = {{"DeviceDesc", c.description}};
    if (c.driver) values.push_back({"Driver", "{4D36E972-E325-11CE-BFC1-08002BE10318}\\0007"});
    LanMachine d(false, RegKeyText(instance, values) + RegKeyText(instance + "\\Bindings", {{"MSTCP\\0000", ""}}));
    EXPECT_EQ(d.m.Engine().DetectUsbLan(), c.word);
    EXPECT_FALSE(WorkFileOnDisk(d.m).Value("lan_bind0", "index")) << "NT records no bindings";
    EXPECT_EQ(d.m.Machine().OpenHandles(), 0);
  }
}

// OEM files that name the adapter enter the table; the named files count
// but stay out of it.
TEST(DetectUsbLanNt, Files) {
  struct Case {
    const char* file;
    std::string bytes;
    int word;
    std::vector<std::string> table;
  };
  const Case cases[] = {
      {"inf/oem12.inf", Utf16Le(kLanInf, true), 0x10000, {"C:\\WINDOWS\\inf\\oem12.inf", "C:\\WINDOWS\\inf\\oem12.pnf"}},
      {"inf/oem12.inf", "[Strings]\r\nModem=\"tolvek ZR-77Q5K USB-Modem\"\r\n", 0, {}},
      {"inf/tvkndis3.inf", "x", 0x10000, {}},
      {"inf/tvkndis3.pnf", "x", 0x10000, {}},
      {"inf/other/tvkndis3.inf", kLanInf, 0, {}},
      {"inf/other/tolvektvkndis3.inf", kLanInf, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    LanMachine d(false);
    d.m.Image().Write(std::string("drive_c/WINDOWS/") + c.file, c.bytes);
    EXPECT_EQ(d.m.Engine().DetectUsbLan(), c.word);
    EXPECT_EQ(d.LanTable(), c.table);
    EXPECT_EQ(d.m.Engine().m_nModemInf, 0);
  }
}

}  // namespace
}  // namespace zr

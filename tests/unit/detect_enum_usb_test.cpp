// The USB snapshot in the work file: which values each Windows layout
// records, when an instance counts as found, what an earlier snapshot leaves
// behind, and the 128/128 bounds.
#include <gtest/gtest.h>

#include "tests/unit/detect_fixtures.h"

namespace zr {
namespace {

using testing::EngineMachine;
using testing::MachineSpec;
using testing::RegKeyText;
using testing::RegValues;
using testing::WorkFileOnDisk;

constexpr char kNtEnum[] = "SYSTEM\\CurrentControlSet\\Enum\\USB";
constexpr char k9xEnum[] = "Enum\\USB";
constexpr char kModem[] = "tolvek ZR-77Q5K - USB";
constexpr char kLan[] = "tolvek ZR-77Q5K USB-Lan Adapter";
constexpr char kModemClass[] = "{4D36E96D-E325-11CE-BFC1-08002BE10318}";
constexpr char kClassRoot[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\";

const char* EnumKey(bool win98) { return win98 ? k9xEnum : kNtEnum; }

EngineMachine Machine(bool win98, const std::string& reg) {
  MachineSpec spec;
  spec.win98 = win98;
  spec.reg = reg;
  return EngineMachine(spec);
}

std::string Instance(bool win98, const std::string& relative, const RegValues& values) {
  return RegKeyText(std::string(EnumKey(win98)) + "\\" + relative, values);
}

TEST(EnumUsbDevices, RecordsTheValueSetOfEachLayout) {
  struct Row {
    const char* key;
    std::optional<std::string> on98;
    std::optional<std::string> onNt;
  };
  const std::string driver = std::string(kModemClass) + "\\0001";
  const Row rows[] = {
      {"usb_device0_index", "1", "1"},
      {"usb_device0_reg_enum", "5&2a3b&0&1", "5&2a3b&0&1"},
      {"usb_device0_reg_dev_name", kModem, kModem},
      {"usb_device0_reg_driver", driver, driver},
      {"usb_device0_reg_guid", kModemClass, kModemClass},
      {"usb_device0_reg_child_id", "child", std::nullopt},
      {"usb_device0_reg_sym_name", "instance symbol", "parameters symbol"},
      {"usb_device0_reg_port_name", std::nullopt, "COM3"},
      {"usb_device0_reg_service", std::nullopt, "Modem"},
      {"usb_device0_reg_rsp_name", std::nullopt, "responses"},
      {"usb_device0_reg_net_conf", std::nullopt, "{net-config}"},
  };
  for (bool win98 : {true, false}) {
    SCOPED_TRACE(win98 ? "98" : "XP");
    // Every value of both layouts is present; each layout takes its own.
    const std::string instance = "Vid_0e9c&Pid_0012\\5&2a3b&0&1";
    EngineMachine m = Machine(
        win98, Instance(win98, instance,
                        {{"DeviceDesc", kModem},
                         {"Driver", driver},
                         {"ClassGUID", kModemClass},
                         {"ChildID", "child"},
                         {"SymbolicName", "instance symbol"},
                         {"Service", "Modem"}}) +
                   Instance(win98, instance + "\\Device Parameters",
                            {{"SymbolicName", "parameters symbol"}, {"PortName", "COM3"}}) +
                   RegKeyText(kClassRoot + driver, {{"ResponsesKeyName", "responses"},
                                                    {"NetCfgInstanceId", "{net-config}"}}));
    EXPECT_EQ(m.Engine().EnumUsbDevices(EnumKey(win98), kModem, win98 ? 1 : 2), 1);
    WorkFileOnDisk work(m);
    EXPECT_EQ(work.Value("usb_root0", "index"), "1");
    EXPECT_EQ(work.Value("usb_root0", "reg_enum"), "Vid_0e9c&Pid_0012");
    for (const Row& row : rows) {
      SCOPED_TRACE(row.key);
      EXPECT_EQ(work.Value("usb_root0", row.key), win98 ? row.on98 : row.onNt);
    }
    EXPECT_FALSE(work.Value("usb_root1", "index"));
    EXPECT_EQ(m.Machine().OpenHandles(), 0);
  }
}

TEST(EnumUsbDevices, FindsAnInstanceDescribedExactlyThatHasADriver) {
  struct Recorded {
    std::string description;
    std::optional<std::string> driver;  // nullopt: no Driver value
    std::string recordedName;
    std::optional<std::string> recordedDriver;
  };
  struct Case {
    const char* what;
    std::vector<Recorded> instances;
    int result;
  };
  const std::string tooLong(300, 'd');  // more than the reader's 260 bytes
  const Case cases[] = {
      {"exact, with a driver", {{kModem, "{x}\\0001", kModem, "{x}\\0001"}}, 1},
      {"other letter case", {{"TOLVEK zr-77q5k - usb", "{x}\\0001", "TOLVEK zr-77q5k - usb", "{x}\\0001"}}, 1},
      {"further text", {{"tolvek ZR-77Q5K - USB #2", "{x}\\0001", "tolvek ZR-77Q5K - USB #2", std::nullopt}}, 0},
      {"shorter", {{"tolvek ZR-77Q5K -", "{x}\\0001", "tolvek ZR-77Q5K -", std::nullopt}}, 0},
      {"no driver", {{kModem, std::nullopt, "", ""}}, 0},
      {"driver too long to read", {{kModem, tooLong, "", ""}}, 0},
      {"two matches, only the second with a driver",
       {{kModem, std::nullopt, "", ""}, {kModem, "{x}\\0002", kModem, "{x}\\0002"}},
       1},
  };
  for (bool win98 : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(win98 ? "98 " : "XP ") + c.what);
      std::string reg;
      for (std::size_t i = 0; i < c.instances.size(); ++i) {
        RegValues values = {{"DeviceDesc", c.instances[i].description}};
        if (c.instances[i].driver) values.push_back({"Driver", *c.instances[i].driver});
        reg += Instance(win98, "Vid_0e9c&Pid_0012\\inst" + std::to_string(i), values);
      }
      EngineMachine m = Machine(win98, reg);
      EXPECT_EQ(m.Engine().EnumUsbDevices(EnumKey(win98), kModem, win98 ? 1 : 2), c.result);
      WorkFileOnDisk work(m);
      for (std::size_t i = 0; i < c.instances.size(); ++i) {
        const std::string prefix = "usb_device" + std::to_string(i) + "_reg_";
        EXPECT_EQ(work.Value("usb_root0", prefix + "dev_name"), c.instances[i].recordedName);
        EXPECT_EQ(work.Value("usb_root0", prefix + "driver"), c.instances[i].recordedDriver);
      }
      EXPECT_EQ(m.Machine().OpenHandles(), 0);
    }
  }
}

TEST(EnumUsbDevices, AnEarlierLongerSnapshotStaysAndIsWalked) {
  std::string reg;
  for (int r = 0; r < 5; ++r) {
    const std::string driver = std::string(kModemClass) + "\\000" + std::to_string(r);
    reg += Instance(false, "Vid_0e9c&Pid_001" + std::to_string(r) + "\\inst",
                    {{"DeviceDesc", kModem}, {"Driver", driver}});
    reg += RegKeyText(kClassRoot + driver, {{"ResponsesKeyName", "responses " + std::to_string(r)}});
  }
  EngineMachine m = Machine(false, reg);
  ASSERT_EQ(m.Engine().EnumUsbDevices(kNtEnum, kModem, 2), 1);

  // Three hardware keys go; the class key of the last one changes.
  for (int r = 2; r < 5; ++r)
    ASSERT_TRUE(m.Machine().Tree().Remove(std::string(kNtEnum) + "\\Vid_0e9c&Pid_001" + std::to_string(r)));
  m.Machine().Tree().Find(kClassRoot + std::string(kModemClass) + "\\0004")->SetValue(
      "ResponsesKeyName", m.Machine().Tree().Fold("ResponsesKeyName"), win::kRegSz,
      {'c', 'h', 'a', 'n', 'g', 'e', 'd', 0});
  EXPECT_EQ(m.Engine().EnumUsbDevices(kNtEnum, kModem, 2), 1);

  WorkFileOnDisk work(m);
  for (int r = 0; r < 5; ++r) {
    SCOPED_TRACE(r);
    const std::string section = "usb_root" + std::to_string(r);
    EXPECT_EQ(work.Value(section, "index"), std::to_string(r + 1));
    EXPECT_EQ(work.Value(section, "reg_enum"), "Vid_0e9c&Pid_001" + std::to_string(r));
    // A vanished instance reads as empty, but keeps the driver recorded
    // for it, and the class key that driver names is read again.
    EXPECT_EQ(work.Value(section, "usb_device0_reg_dev_name"), r < 2 ? kModem : "");
    EXPECT_EQ(work.Value(section, "usb_device0_reg_driver"), std::string(kModemClass) + "\\000" + std::to_string(r));
  }
  EXPECT_EQ(work.Value("usb_root4", "usb_device0_reg_rsp_name"), "changed");
  EXPECT_FALSE(work.Value("usb_root5", "index"));
}

TEST(EnumUsbDevices, WithoutAnEnumeratorKeyWritesNothing) {
  for (bool win98 : {true, false}) {
    SCOPED_TRACE(win98 ? "98" : "XP");
    EngineMachine m = Machine(win98, RegKeyText("SOFTWARE\\Other"));
    EXPECT_EQ(m.Engine().EnumUsbDevices(EnumKey(win98), kModem, win98 ? 1 : 2), 0);
    EXPECT_FALSE(WorkFileOnDisk(m).Exists());
    EXPECT_EQ(m.Machine().OpenHandles(), 0);
  }
}

// A poll of the install page looks for the modem and then for the adapter:
// one snapshot serves both.
TEST(EnumUsbDevices, TwoDescriptionsOneAfterTheOther) {
  const std::string modemDriver = std::string(kModemClass) + "\\0001";
  const std::string lanDriver = "{4D36E972-E325-11CE-BFC1-08002BE10318}\\0002";
  EngineMachine m = Machine(
      false, Instance(false, "Vid_0e9c&Pid_0012\\a", {{"DeviceDesc", kModem}, {"Driver", modemDriver}}) +
                 Instance(false, "Vid_0e9c&Pid_0012\\b", {{"DeviceDesc", kModem}}) +
                 Instance(false, "Vid_0e9c&Pid_0012\\c", {{"DeviceDesc", kLan}, {"Driver", lanDriver}}) +
                 RegKeyText(kClassRoot + modemDriver, {{"ResponsesKeyName", "modem responses"}}) +
                 RegKeyText(kClassRoot + lanDriver, {{"NetCfgInstanceId", "{net-config}"}}));
  struct Expect {
    const char* key;
    std::optional<std::string> value;
  };
  WorkFileOnDisk work(m);
  auto check = [&](std::initializer_list<Expect> expected) {
    for (const Expect& e : expected) {
      SCOPED_TRACE(e.key);
      EXPECT_EQ(work.Value("usb_root0", e.key), e.value);
    }
  };

  ASSERT_EQ(m.Engine().EnumUsbDevices(kNtEnum, kModem, 2), 1);
  check({{"usb_device0_reg_driver", modemDriver},
         {"usb_device0_reg_rsp_name", "modem responses"},
         {"usb_device1_reg_dev_name", ""},
         {"usb_device1_reg_driver", ""},
         {"usb_device2_reg_dev_name", kLan},
         {"usb_device2_reg_driver", std::nullopt},
         {"usb_device2_reg_net_conf", ""}});

  ASSERT_EQ(m.Engine().EnumUsbDevices(kNtEnum, kLan, 2), 1);
  check({{"usb_device0_reg_dev_name", kModem},
         {"usb_device0_reg_driver", modemDriver},
         {"usb_device0_reg_rsp_name", "modem responses"},
         {"usb_device1_reg_dev_name", kModem},
         {"usb_device1_reg_driver", ""},
         {"usb_device2_reg_driver", lanDriver},
         {"usb_device2_reg_net_conf", "{net-config}"}});
  EXPECT_EQ(m.Machine().OpenHandles(), 0);
}

TEST(EnumUsbDevices, RecordsAt128RootsAnd128InstancesEach) {
  EngineMachine m = Machine(false, "");
  sim::RegTree& tree = m.Machine().Tree();
  auto text = [](const std::string& s) { return std::vector<std::uint8_t>(s.c_str(), s.c_str() + s.size() + 1); };
  auto describe = [&](const std::string& path, const std::string& description, bool driver) {
    auto key = tree.Create(path);
    key->SetValue("DeviceDesc", tree.Fold("DeviceDesc"), win::kRegSz, text(description));
    if (driver) key->SetValue("Driver", tree.Fold("Driver"), win::kRegSz, text("{x}\\0000"));
  };
  char name[32];
  for (int r = 0; r <= 128; ++r) {
    std::snprintf(name, sizeof name, "R%03d", r);
    tree.Create(std::string(kNtEnum) + "\\" + name);
  }
  for (int d = 0; d <= 128; ++d) {
    std::snprintf(name, sizeof name, "I%03d", d);
    // The instance past the bound would be found if it were read.
    describe(std::string(kNtEnum) + "\\R000\\" + name, d == 128 ? kModem : "instance " + std::to_string(d), true);
  }
  describe(std::string(kNtEnum) + "\\R127\\I", "last root", false);
  describe(std::string(kNtEnum) + "\\R128\\I", kModem, true);

  EXPECT_EQ(m.Engine().EnumUsbDevices(kNtEnum, kModem, 2), 0);
  WorkFileOnDisk work(m);
  EXPECT_EQ(work.Value("usb_root127", "index"), "128");
  EXPECT_EQ(work.Value("usb_root127", "reg_enum"), "R127");
  EXPECT_EQ(work.Value("usb_root127", "usb_device0_reg_dev_name"), "last root");
  EXPECT_FALSE(work.Value("usb_root128", "index"));
  EXPECT_EQ(work.Value("usb_root0", "usb_device127_index"), "128");
  EXPECT_EQ(work.Value("usb_root0", "usb_device127_reg_dev_name"), "instance 127");
  EXPECT_FALSE(work.Value("usb_root0", "usb_device128_index"));
  EXPECT_FALSE(work.Value("usb_root0", "usb_device128_reg_dev_name"));
  EXPECT_EQ(m.Machine().OpenHandles(), 0);
}

// Key names may each be up to 255 characters; the paths built from them
// run past 260 characters and must still name their keys.
TEST(EnumUsbDevices, ReadsInstancesWhosePathsAreLongerThan260Characters) {
  const std::string root = "Vid_0e9c&Pid_0012&" + std::string(180, 'r');
  const std::string instance = "5&" + std::string(80, 'i');
  const std::string driver = std::string(kModemClass) + "\\" + std::string(200, '1');
  EngineMachine m = Machine(
      false, Instance(false, root + "\\" + instance, {{"DeviceDesc", kModem}, {"Driver", driver}}) +
                 Instance(false, root + "\\" + instance + "\\Device Parameters", {{"PortName", "COM3"}}) +
                 RegKeyText(kClassRoot + driver, {{"ResponsesKeyName", "responses"}}));
  EXPECT_EQ(m.Engine().EnumUsbDevices(kNtEnum, kModem, 2), 1);
  WorkFileOnDisk work(m);
  EXPECT_EQ(work.Value("usb_root0", "usb_device0_reg_dev_name"), kModem);
  EXPECT_EQ(work.Value("usb_root0", "usb_device0_reg_port_name"), "COM3");
  EXPECT_EQ(work.Value("usb_root0", "usb_device0_reg_rsp_name"), "responses");
}

}  // namespace
}  // namespace zr

// The USB snapshot in the work file: the values each Windows layout records,
// when an instance counts as found, what an earlier snapshot leaves behind,
// and the 128/128 bounds.
#include <gtest/gtest.h>

#include "platform/win_codes.h"
#include "tests/support/engine_over_image.h"

namespace zr {
namespace {

using namespace testing;

const std::string kNtEnum = "SYSTEM\\CurrentControlSet\\Enum\\USB";
const std::string kClassKey = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
const std::string kModemDriver = "{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0001";
const std::string kModem = "tolvek ZR-77Q5K - USB";

// Key names of up to 255 characters make paths longer than 260 characters,
// which must still name their keys.
TEST(EnumUsbDevices, RecordsTheValueSetOfEachLayout) {
  const std::string root = "Vid_0e9c&Pid_0012&" + std::string(180, 'r'), instance = "5&" + std::string(80, 'i');
  const std::string driver = kModemDriver + std::string(200, '1');
  for (bool win98 : {true, false}) {
    SCOPED_TRACE(win98 ? "98" : "XP");
    // Every value of both layouts is there; each layout takes its own.
    const std::string enumKey = win98 ? "Enum\\USB" : kNtEnum, path = enumKey + "\\" + root + "\\" + instance;
    EngineOverImage m(win98 ? Windows::k98 : Windows::kXp,
                      RegKeyText(path, {{"DeviceDesc", kModem},
                                        {"Driver", driver},
                                        {"ClassGUID", "{g}"},
                                        {"ChildID", "child"},
                                        {"SymbolicName", "own"},
                                        {"Service", "Modem"}}) +
                          RegKeyText(path + "\\Device Parameters", {{"SymbolicName", "params"}, {"PortName", "P"}}) +
                          RegKeyText(kClassKey + driver, {{"ResponsesKeyName", "rsp"}, {"NetCfgInstanceId", "n"}}));
    EXPECT_EQ(m.Engine().EnumUsbDevices(enumKey, kModem, win98 ? 1 : 2), 1);
    std::map<std::string, std::string> expected = {{"index", "1"},
                                                   {"reg_enum", root},
                                                   {"usb_device0_index", "1"},
                                                   {"usb_device0_reg_enum", instance},
                                                   {"usb_device0_reg_dev_name", kModem},
                                                   {"usb_device0_reg_driver", driver},
                                                   {"usb_device0_reg_guid", "{g}"}};
    expected.merge(win98 ? std::map<std::string, std::string>{{"usb_device0_reg_child_id", "child"},
                                                              {"usb_device0_reg_sym_name", "own"}}
                         : std::map<std::string, std::string>{{"usb_device0_reg_sym_name", "params"},
                                                              {"usb_device0_reg_port_name", "P"},
                                                              {"usb_device0_reg_service", "Modem"},
                                                              {"usb_device0_reg_rsp_name", "rsp"},
                                                              {"usb_device0_reg_net_conf", "n"}});
    EXPECT_EQ(m.WorkFile(), (IniSections{{"usb_root0", expected}}));
    EXPECT_EQ(m.Machine().OpenHandles(), 0);
  }
}

// An instance counts when its whole description matches, letters in any
// case, and it has a driver; a match without one is recorded emptied. A
// poll of the install page looks for the modem and then for the adapter:
// one snapshot serves both.
TEST(EnumUsbDevices, TwoDescriptionsOneAfterTheOther) {
  const std::string lan = "tolvek ZR-77Q5K USB-Lan Adapter";
  const std::string lanDriver = "{4D36E972-E325-11CE-BFC1-08002BE10318}\\0002";
  const RegValues instances[] = {
      {{"DeviceDesc", "TOLVEK zr-77q5k - usb"}, {"Driver", kModemDriver}},
      {{"DeviceDesc", kModem}},
      {{"DeviceDesc", kModem + " #2"}, {"Driver", kModemDriver}},
      {{"DeviceDesc", kModem}, {"Driver", std::string(300, 'd')}},  // more than the reader's 260 bytes
      {{"DeviceDesc", lan}, {"Driver", lanDriver}}};
  std::string reg = RegKeyText(kClassKey + kModemDriver, {{"ResponsesKeyName", "modem rsp"}}) +
                    RegKeyText(kClassKey + lanDriver, {{"NetCfgInstanceId", "{net}"}});
  for (int i = 0; i < 5; ++i) reg += RegKeyText(kNtEnum + "\\Vid_0e9c&Pid_0012\\" + char('a' + i), instances[i]);
  EngineOverImage m(Windows::kXp, reg);
  ASSERT_EQ(m.Engine().EnumUsbDevices(kNtEnum, kModem, 2), 1);
  IniSections afterModem = m.WorkFile();
  ASSERT_EQ(m.Engine().EnumUsbDevices(kNtEnum, lan, 2), 1);
  IniSections afterLan = m.WorkFile();
  // Name, driver ("-": none recorded) and class key values of each instance.
  auto recorded = [](IniSections& work, int d) {
    auto& root = work["usb_root0"];
    const std::string prefix = "usb_device" + std::to_string(d) + "_reg_";
    return root[prefix + "dev_name"] + "|" + (root.count(prefix + "driver") ? root[prefix + "driver"] : "-") + "|" +
           root[prefix + "rsp_name"] + root[prefix + "net_conf"];
  };
  const std::pair<std::string, std::string> expected[] = {
      {"TOLVEK zr-77q5k - usb|" + kModemDriver + "|modem rsp", "TOLVEK zr-77q5k - usb|" + kModemDriver + "|modem rsp"},
      {"||", kModem + "||"},
      {kModem + " #2|-|", kModem + " #2|-|"},
      {"||", kModem + "||"},
      {lan + "|-|", lan + "|" + lanDriver + "|{net}"}};
  for (int d = 0; d < 5; ++d) {
    EXPECT_EQ(recorded(afterModem, d), expected[d].first) << d;
    EXPECT_EQ(recorded(afterLan, d), expected[d].second) << d;
  }
}

TEST(EnumUsbDevices, AnEarlierLongerSnapshotStaysAndIsWalked) {
  std::string reg;
  for (char r = '0'; r < '3'; ++r) {
    reg += RegKeyText(kNtEnum + "\\Vid_" + r + "\\i", {{"DeviceDesc", kModem}, {"Driver", kModemDriver + r}}) +
           RegKeyText(kClassKey + kModemDriver + r, {{"ResponsesKeyName", "rsp"}});
  }
  EngineOverImage m(Windows::kXp, reg);
  ASSERT_EQ(m.Engine().EnumUsbDevices(kNtEnum, kModem, 2), 1);
  // Two hardware keys go; the class key of the last one changes.
  sim::RegTree& tree = m.Machine().Tree();
  ASSERT_TRUE(tree.Remove(kNtEnum + "\\Vid_1") && tree.Remove(kNtEnum + "\\Vid_2"));
  tree.Find(kClassKey + kModemDriver + "2")
      ->SetValue("ResponsesKeyName", tree.Fold("ResponsesKeyName"), win::kRegSz, {'n', 'e', 'w', 0});
  EXPECT_EQ(m.Engine().EnumUsbDevices(kNtEnum, kModem, 2), 1);
  // A vanished instance reads as empty but keeps the driver recorded for it,
  // and the class key that driver names is read again.
  IniSections work = m.WorkFile();
  const std::string expected[] = {"1|Vid_0|" + kModem + "|" + kModemDriver + "0|rsp",
                                  "2|Vid_1||" + kModemDriver + "1|rsp", "3|Vid_2||" + kModemDriver + "2|new"};
  for (int r = 0; r < 3; ++r) {
    auto& root = work["usb_root" + std::to_string(r)];
    EXPECT_EQ(root["index"] + "|" + root["reg_enum"] + "|" + root["usb_device0_reg_dev_name"] + "|" +
                  root["usb_device0_reg_driver"] + "|" + root["usb_device0_reg_rsp_name"],
              expected[r]);
  }
  EXPECT_FALSE(work.count("usb_root3"));
}

TEST(EnumUsbDevices, RecordsAt128RootsAnd128InstancesEach) {
  // The instance and the root past each bound would be found if read.
  std::string reg = RegKeyText(kNtEnum + "\\R127\\I", {{"DeviceDesc", "last root"}}) +
                    RegKeyText(kNtEnum + "\\R128\\I", {{"DeviceDesc", kModem}, {"Driver", "{x}"}});
  char n[8];
  for (int i = 0; i <= 128; ++i) {
    std::snprintf(n, sizeof n, "%03d", i);
    const std::string description = i == 128 ? kModem : "instance " + std::string(n);
    reg += RegKeyText(kNtEnum + "\\R" + n) +
           RegKeyText(kNtEnum + "\\R000\\I" + n, {{"DeviceDesc", description}, {"Driver", "{x}"}});
  }
  EngineOverImage m(Windows::kXp, reg);
  EXPECT_EQ(m.Engine().EnumUsbDevices(kNtEnum, kModem, 2), 0);
  IniSections work = m.WorkFile();
  EXPECT_EQ(work.size(), 128u);
  EXPECT_EQ(work["usb_root127"]["index"] + work["usb_root127"]["usb_device0_reg_dev_name"], "128last root");
  EXPECT_EQ(work["usb_root0"]["usb_device127_index"] + work["usb_root0"]["usb_device127_reg_dev_name"],
            "128instance 127");
  for (const auto& [key, value] : work["usb_root0"]) EXPECT_FALSE(key.starts_with("usb_device128")) << key;
}

}  // namespace
}  // namespace zr

// USB-LAN detection: on 9x the result word and the bindings recorded for
// every USB-LAN instance; on both families the files that count.
#include <gtest/gtest.h>

#include "tests/support/engine_over_image.h"

namespace zr {
namespace {

using namespace testing;

const std::string kLan = "tolvek ZR-77Q5K USB-Lan Adapter";
const std::string kLanInf = "[Strings]\r\nLan=\"" + kLan + "\"\r\n";

// A 9x instance with its description and driver, its network class key's
// description (none when empty) and the components bound to it.
std::string Instance9x(const std::string& name, const std::string& description, const std::string& driver,
                       const std::string& classDescription, const std::vector<std::string>& bindings) {
  RegValues values = {{"DeviceDesc", description}}, bound;
  if (!driver.empty()) values.push_back({"Driver", driver});
  for (const std::string& b : bindings) bound.push_back({b, ""});
  const std::string key = "Enum\\USB\\VID_0E9C&PID_0013\\" + name;
  const std::string cls = "System\\CurrentControlSet\\Services\\Class\\" + driver;
  return RegKeyText(key, values) + RegKeyText(key + "\\Bindings", bound) +
         (classDescription.empty() ? "" : RegKeyText(cls, {{"DriverDesc", classDescription}}));
}

TEST(DetectUsbLan9x, WordAndBindingsOfEachInstance) {
  const std::string bound = "MSTCP\\0000";
  const std::tuple<std::string, int, std::string> cases[] = {
      {Instance9x("1", kLan, "Net\\0003", kLan, {bound}), 0x30, bound},
      {Instance9x("1", kLan, "Net\\0003", "TOLVEK zr-77q5k usb-lan adapter #2", {bound}), 0x30, bound},
      {Instance9x("1", kLan, "Net\\0003", "Dial-Up Adapter", {bound}), 0x20, bound},
      {Instance9x("1", kLan, "", "", {bound}), 0, ""},
      // Not found by the snapshot, which wants the whole description, but a
      // USB-LAN instance to this scan (whose class key is the class root).
      {Instance9x("1", kLan + " #2", "Net\\0003", kLan, {bound}), 0, bound},
      {Instance9x("1", "USB Mouse", "", "", {bound}), 0, ""},
      {Instance9x("1", kLan, "Net\\" + std::string(255, '3'), kLan, {}), 0x30, ""},  // a driver of 259 characters
  };
  for (const auto& [reg, word, binding] : cases) {
    SCOPED_TRACE(reg);
    EngineOverImage m(Windows::k98, reg);
    EXPECT_EQ(m.Engine().DetectUsbLan(), word);
    EXPECT_EQ(m.WorkFile()["lan_bind0"]["reg_enum"], binding);
    EXPECT_EQ(m.Machine().OpenHandles(), 0);
  }
}

// Each instance's bindings are captured in turn over the same sections: the
// second instance's overwrite the first's, whose longer tail stays.
TEST(DetectUsbLan9x, CapturesTheBindingsOfEveryInstanceInTurn) {
  EngineOverImage m(Windows::k98, Instance9x("1", kLan, "Net\\0003", kLan, {"MSTCP\\0000", "NWLINK\\0000"}) +
                                      Instance9x("2", kLan, "Net\\0004", kLan, {"NETBEUI\\0000"}) +
                                      RegKeyText("Enum\\Network\\NETBEUI\\0000", {{"Driver", "NetTrans\\0001"}}));
  EXPECT_EQ(m.Engine().DetectUsbLan(), 0x30);
  IniSections work = m.WorkFile();
  EXPECT_EQ(work["lan_bind0"]["reg_enum"] + "," + work["lan_bind0"]["reg_driver"], "NETBEUI\\0000,NetTrans\\0001");
  EXPECT_EQ(work["lan_bind1"]["reg_enum"], "NWLINK\\0000");
  EXPECT_FALSE(work.count("lan_bind2"));
}

// The named files count on both families but stay out of the removal table;
// on NT the OEM files that name the adapter enter it, each with its PNF.
TEST(DetectUsbLan, Files) {
  const std::string modemInf = "[Strings]\r\nModem=\"tolvek ZR-77Q5K USB-Modem\"\r\n";
  const std::tuple<bool, const char*, std::string, int, int> cases[] = {
      {true, "other/tolvektvkndis3.inf", kLanInf, 0x10000, 0},
      {true, "other/tvkndis3.inf", kLanInf, 0x10000, 0},
      {true, "tvkndis3.inf", kLanInf, 0x10000, 0},
      {true, "tvkndis3.pnf", kLanInf, 0, 0},
      {true, "oem12.inf", kLanInf, 0, 0},
      {false, "oem12.inf", Utf16Le(kLanInf, true), 0x10000, 2},
      {false, "oem12.inf", modemInf, 0, 0},
      {false, "tvkndis3.inf", "x", 0x10000, 0},
      {false, "tvkndis3.pnf", "x", 0x10000, 0},
      {false, "other/tvkndis3.inf", kLanInf, 0, 0},
      {false, "other/tolvektvkndis3.inf", kLanInf, 0, 0}};
  for (const auto& [win98, file, bytes, word, listed] : cases) {
    SCOPED_TRACE(std::string(win98 ? "98 " : "XP ") + file);
    EngineOverImage m(win98 ? Windows::k98 : Windows::kXp);
    m.WriteC(std::string("WINDOWS/inf/") + file, bytes);
    EXPECT_EQ(m.Engine().DetectUsbLan(), word);
    const std::vector<std::string> table = {"C:\\WINDOWS\\inf\\oem12.inf", "C:\\WINDOWS\\inf\\oem12.pnf"};
    EXPECT_EQ(Listed(m.Engine().LanInfFiles()), std::vector(table.begin(), table.begin() + listed));
    EXPECT_TRUE(m.Engine().ModemInfFiles().empty());
  }
}

}  // namespace
}  // namespace zr

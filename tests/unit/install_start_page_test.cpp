// The install start page's plan: the driver sets that detection did not
// find, and, without the detection page in the flow, the outcome it leaves
// for the completion page.
#include <gtest/gtest.h>

#include "tests/support/engine_over_image.h"

namespace zr::testing {
namespace {

using namespace device_keys;

// Bits 0x01 and 0x20 of the detection words (a port adapter class key
// without its DeviceKey, an instance with a driver whose class key is gone)
// do not count as installed.
struct PlanCase {
  const char* name;
  Windows release;
  std::string reg;
  std::vector<const char*> infFiles;
  int plan;
};

class StartPagePlan : public ::testing::TestWithParam<PlanCase> {};

TEST_P(StartPagePlan, StagesTheSetsThatDetectionDidNotFind) {
  const PlanCase& c = GetParam();
  EngineOverImage m(c.release, c.reg);
  for (const char* file : c.infFiles) m.WriteC(std::string("WINDOWS\\inf\\") + file, "[Version]\r\n");
  Wizard w(m, 0);
  ASSERT_TRUE(w.runner.Next());  // to the start page

  ASSERT_TRUE(w.runner.Next());

  EXPECT_EQ(m.Engine().Wizard().m_nInstallPlan, c.plan);
  ASSERT_EQ(w.Active(), "CPage12");
  EXPECT_EQ(w.Text(1011), c.plan != 0 ? "インストールが完了しました。" : "既にインストールされています。");
}

const std::string kClass = "System\\CurrentControlSet\\Services\\Class\\";
const char kPortAdapter[] = "tolvek ZR-77Q5K USB Port Adapter";
const char kUsbId[] = "USB\\VID_0E9C&PID_0012";

INSTANTIATE_TEST_SUITE_P(
    Detections, StartPagePlan,
    ::testing::Values(
        PlanCase{"Win98IgnoredBits",
                 Windows::k98,
                 Key(kClass + "Usb\\0002", {{"DriverDesc", kPortAdapter}}) + PortAdapterInstance() + Lan9xInstance(),
                 {},
                 0x003},
        PlanCase{"Win98PortAdapterRegistered",
                 Windows::k98,
                 Key(kClass + "Usb\\0002", {{"DriverDesc", kPortAdapter}, {"DeviceKey", "0e9c0012\\0001"}}),
                 {},
                 0x002},
        PlanCase{"Win98WdmDriver", Windows::k98, Key(kClass + "Wdm\\0000", {{"MatchingDeviceId", kUsbId}}), {}, 0x002},
        PlanCase{"Win98WdmModemDriver",
                 Windows::k98,
                 Key(kClass + "WdmModem\\0000", {{"MatchingDeviceId", kUsbId}}),
                 {},
                 0x002},
        PlanCase{"Win98ModemPnfOnly", Windows::k98, "", {"mdmtvk5u.pnf"}, 0x002},
        PlanCase{"Win98LanInstalled",
                 Windows::k98,
                 Lan9xInstance() + Key(kClass + "Net\\0003", {{"DriverDesc", "tolvek ZR-77Q5K USB-Lan Adapter"}}),
                 {},
                 0x001},
        PlanCase{"Win98LanInf", Windows::k98, "", {"tvkndis3.inf"}, 0x001},
        // The instance of a device that Windows could not install.
        PlanCase{"WinXpModemWithoutDriver",
                 Windows::kXp,
                 Key(kXpModemKey, {{"DeviceDesc", "tolvek ZR-77Q5K - USB"}}),
                 {},
                 0x300},
        PlanCase{"WinXpModemInf", Windows::kXp, "", {"mdmtvk5u.inf"}, 0x200},
        PlanCase{"WinXpLanInstalled", Windows::kXp, XpLan(), {}, 0x100},
        PlanCase{"WinXpLanPnfOnly", Windows::kXp, "", {"tvkndis3.pnf"}, 0x100},
        PlanCase{"WinXpBothInstalled", Windows::kXp, XpModem() + XpLan(), {}, 0x000}),
    [](const ::testing::TestParamInfo<PlanCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zr::testing

// The install start page: its texts and buttons per Windows, the plan it
// takes from the two detection words, and the install state it leaves for
// the completion page when the detection page is not in the flow.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/unit/install_fixture.h"
#include "tests/unit/wizard_fixture.h"

namespace zr::testing {
namespace {

constexpr char kSwitchOn[] = "ZR-77Q5Kの設定スイッチ７番を\"ON\"に切り替えてご使用ください。";
constexpr char kSwitchOff[] = "ZR-77Q5Kの設定スイッチ７番を\"OFF\"に切り替えてご使用ください。";
constexpr char kPowerOff[] = "設定スイッチ変更時は、ZR-77Q5Kの電源を切ってください。";
constexpr char kStartHint[] = "　　「次へ」ボタンをクリックするとインストールを開始します。";
constexpr char kUnsupported[] = "未サポートのオペレーティング・システムです。";
constexpr char kCannotInstall[] = "インストールできません。";

struct TextsCase {
  const WindowsRelease* release;
  const char* os;
  const char* line1;
  const char* line2;
  const char* line4;
  int buttons;
};

void PrintTo(const TextsCase& c, std::ostream* os) { *os << c.release->name; }

class StartPageTexts : public ::testing::TestWithParam<TextsCase> {};

TEST_P(StartPageTexts, SayHowToSetSwitch7OrThatTheWindowsIsNotSupported) {
  const TextsCase& c = GetParam();
  InstallMachine m(*c.release);
  Wizard w(m.Engine(), 1);

  EXPECT_EQ(w.Active(), "CPage10");
  EXPECT_EQ(w.Text(1000), c.os);
  EXPECT_EQ(w.Text(1011), c.line1);
  EXPECT_EQ(w.Text(1015), c.line2);
  EXPECT_EQ(w.Text(1016), "");
  EXPECT_EQ(w.Text(1017), c.line4);
  EXPECT_EQ(w.runner.Buttons(), c.buttons);
}

INSTANTIATE_TEST_SUITE_P(
    Releases, StartPageTexts,
    ::testing::Values(
        TextsCase{&kWin98, "OS : Windows 98 (4.10.2222 / 1)", kSwitchOn, kPowerOff, kStartHint, kButtonNext},
        TextsCase{&kWinMe, "OS : Windows Me (4.90.3000 / 1)", kSwitchOff, kPowerOff, kStartHint, kButtonNext},
        TextsCase{&kWin2000, "OS : Windows 2000 (5.0.2195 / 2)", kSwitchOff, kPowerOff, kStartHint, kButtonNext},
        TextsCase{&kWinXp, "OS : Windows XP (5.1.2600 / 2)", kSwitchOff, kPowerOff, kStartHint, kButtonNext},
        TextsCase{&kWinNt4, "OS : Windows NT4.0 (4.0.1381 / 2)", kUnsupported, kCannotInstall, "", kButtonFinish},
        TextsCase{&kWin95, "OS : Windows 95 (4.0.950 / 1)", kUnsupported, kCannotInstall, "", kButtonFinish}),
    [](const ::testing::TestParamInfo<TextsCase>& info) { return std::string(info.param.release->name); });

TEST(StartPage, OnAnUnsupportedWindowsOnlyFinishWorksAndNothingIsStaged) {
  InstallMachine m(kWinNt4);
  Wizard w(m.Engine(), 1);

  EXPECT_FALSE(w.runner.Next());
  EXPECT_FALSE(w.runner.Back());
  EXPECT_TRUE(w.runner.Finish());
  EXPECT_TRUE(w.runner.Closed());
  EXPECT_FALSE(m.ExistsC("WINDOWS\\inf\\mdmtvk5u.inf"));
  EXPECT_TRUE(m.WorkSection("copy_file").empty());
}

// What detection finds decides the plan. Bits 0x01 and 0x20 of the
// detection words (a port adapter class key without its DeviceKey, an
// instance with a driver whose class key is gone) do not count.
struct PlanCase {
  const char* name;
  const WindowsRelease* release;
  std::string reg;
  std::vector<const char*> files;  // below C:\WINDOWS\inf
  int plan;
};

void PrintTo(const PlanCase& c, std::ostream* os) { *os << c.name; }

class StartPagePlan : public ::testing::TestWithParam<PlanCase> {};

TEST_P(StartPagePlan, StagesTheSetsThatDetectionDidNotFind) {
  const PlanCase& c = GetParam();
  InstallMachine m(*c.release, c.reg);
  for (const char* file : c.files) m.WriteC(std::string("WINDOWS\\inf\\") + file, "[Version]\r\n");
  Wizard w(m.Engine(), 1);

  ASSERT_TRUE(w.runner.Next());

  EXPECT_EQ(m.Engine().m_nInstallPlan, c.plan);
  EXPECT_EQ(w.Active(), "CPage11");
  // Each set of the plan was staged: its INF lies in the inf folder.
  const bool is9x = c.release == &kWin98 || c.release == &kWinMe;
  const int modemBit = is9x ? 0x001 : 0x100;
  const int lanBit = is9x ? 0x002 : 0x200;
  auto listed = [&](std::string_view file) { return std::find(c.files.begin(), c.files.end(), file) != c.files.end(); };
  if (!listed("mdmtvk5u.inf")) {
    EXPECT_EQ(m.ExistsC("WINDOWS\\inf\\mdmtvk5u.inf"), (c.plan & modemBit) != 0);
  }
  if (!listed("tvkndis3.inf")) {
    EXPECT_EQ(m.ExistsC("WINDOWS\\inf\\tvkndis3.inf"), (c.plan & lanBit) != 0);
  }
  if (c.plan == 0) {
    EXPECT_TRUE(m.WorkSection("copy_file").empty());
  }
}

using namespace device_keys;

INSTANTIATE_TEST_SUITE_P(
    Detections, StartPagePlan,
    ::testing::Values(
        PlanCase{"Win98NothingInstalled", &kWin98, "", {}, 0x003},
        PlanCase{"Win98PortAdapterWithoutDeviceKeyAndInstanceWithDriver", &kWin98,
                 PortAdapterClass(nullptr) + PortAdapterInstance() + Lan9xInstance(), {}, 0x003},
        PlanCase{"Win98PortAdapterRegistered", &kWin98, PortAdapterClass("0e9c0012\\0001"), {}, 0x002},
        PlanCase{"Win98PortAdapterOfAnotherDevice", &kWin98, PortAdapterClass("0E9C0099"), {}, 0x003},
        PlanCase{"Win98WdmDriver", &kWin98, Wdm9x("Wdm"), {}, 0x002},
        PlanCase{"Win98WdmModemDriver", &kWin98, Wdm9x("WdmModem"), {}, 0x002},
        PlanCase{"Win98PortAdapterInf", &kWin98, "", {"tvkusb5.inf"}, 0x002},
        PlanCase{"Win98ModemPnfOnly", &kWin98, "", {"mdmtvk5u.pnf"}, 0x002},
        PlanCase{"Win98LanInstalled", &kWin98, Lan9xInstance() + Lan9xClass(), {}, 0x001},
        PlanCase{"Win98LanInf", &kWin98, "", {"tvkndis3.inf"}, 0x001},
        PlanCase{"WinMeBothInstalled", &kWinMe, PortAdapterClass("0E9C0012") + Lan9xInstance() + Lan9xClass(), {},
                 0x000},
        PlanCase{"WinXpNothingInstalled", &kWinXp, XpMouse(), {}, 0x300},
        PlanCase{"WinXpModemInstalled", &kWinXp, XpModem() + XpMouse(), {}, 0x200},
        PlanCase{"WinXpModemInstanceWithoutDriver", &kWinXp, XpModem(false), {}, 0x300},
        PlanCase{"WinXpModemInf", &kWinXp, "", {"mdmtvk5u.inf"}, 0x200},
        PlanCase{"WinXpOemInfOfAnotherDevice", &kWinXp, "", {"oem5.inf"}, 0x300},
        PlanCase{"WinXpLanInstalled", &kWinXp, XpLan(), {}, 0x100},
        PlanCase{"WinXpLanPnfOnly", &kWinXp, "", {"tvkndis3.pnf"}, 0x100},
        PlanCase{"WinXpBothInstalled", &kWinXp, XpModem() + XpLan(), {}, 0x000},
        PlanCase{"Win2000NothingInstalled", &kWin2000, "", {}, 0x300}),
    [](const ::testing::TestParamInfo<PlanCase>& info) { return std::string(info.param.name); });

TEST(StartPage, AnOemInfNamingTheModemCountsAsInstalledOnXp) {
  InstallMachine m(kWinXp);
  m.WriteC("WINDOWS\\inf\\oem5.inf", "[Strings]\r\nModem1=\"tolvek ZR-77Q5K USB-Modem\"\r\n");
  Wizard w(m.Engine(), 1);

  w.runner.Next();

  EXPECT_EQ(m.Engine().m_nInstallPlan, 0x200);
}

// Without the detection page (the chooser's install flow without the debug
// key) the start page decides the outcome itself; with the debug key the
// detection page will, and the start page leaves both words alone.
struct OutcomeCase {
  const char* name;
  std::vector<unsigned> keys;  // pressed on the chooser
  std::string reg;
  int state;  // expected after the start page's Next
  int found;
};

void PrintTo(const OutcomeCase& c, std::ostream* os) { *os << c.name; }

class StartPageOutcome : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(StartPageOutcome, IsDecidedHereOnlyWithoutTheDebugKey) {
  const OutcomeCase& c = GetParam();
  InstallMachine m(kWinXp, c.reg);
  Wizard w(m.Engine(), 0);
  for (unsigned key : c.keys) w.runner.KeyDown(key);
  ASSERT_TRUE(w.runner.Next());
  ASSERT_EQ(w.Active(), "CPage10");
  m.Engine().m_nInstallState = 7;
  m.Engine().m_nInstallFound = 9;

  ASSERT_TRUE(w.runner.Next());

  EXPECT_EQ(m.Engine().m_nInstallState, c.state);
  EXPECT_EQ(m.Engine().m_nInstallFound, c.found);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, StartPageOutcome,
    ::testing::Values(OutcomeCase{"StagedWithoutKey", {}, "", 1, 1},
                      OutcomeCase{"NothingToStageWithoutKey", {}, device_keys::XpModem() + device_keys::XpLan(), 1, 0},
                      OutcomeCase{"KeyDigit4IsNotTheDebugKey", {0x34}, "", 1, 1},
                      OutcomeCase{"DebugKeyD", {0x44}, "", 7, 9},
                      OutcomeCase{"DebugKeyNumpad4", {0x64}, "", 7, 9},
                      OutcomeCase{"DebugKeyReplacedByALaterKey", {0x44, 0x0D}, "", 1, 1}),
    [](const ::testing::TestParamInfo<OutcomeCase>& info) { return std::string(info.param.name); });

TEST(StartPage, ASecondNextAfterGoingBackStagesAgain) {
  InstallMachine m(kWinXp);
  Wizard w(m.Engine(), 1);
  w.runner.Next();
  m.Plug(device_keys::XpModem());
  w.runner.Tick();
  m.RemoveC("WINDOWS\\inf\\tvkndis3.inf");
  ASSERT_TRUE(w.runner.Back());
  ASSERT_EQ(w.Active(), "CPage10");

  ASSERT_TRUE(w.runner.Next());

  // The modem INF staged by the first Next counts as installed now; the
  // USB-LAN set, whose INF is gone, is staged again.
  EXPECT_EQ(m.Engine().m_nInstallPlan, 0x200);
  EXPECT_EQ(m.ReadC("WINDOWS\\inf\\tvkndis3.inf"), SourceBytes("USB-Lan\\tvkndis3.auto"));
}

}  // namespace
}  // namespace zr::testing

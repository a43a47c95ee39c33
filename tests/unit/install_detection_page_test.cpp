// The device detection page: a poll per timer tick, Back and Next refused
// until the device was seen or the watch ran out in its 62nd tick, a new
// watch on every activation, and found bits only for the sets it staged.
#include <gtest/gtest.h>

#include "tests/unit/install_fixture.h"
#include "tests/unit/wizard_fixture.h"

namespace zr::testing {
namespace {

using namespace device_keys;

constexpr char kWatching[] = "状態：デバイス検出中・・・";
constexpr char kDetected[] = "状態：次のデバイスを検出しました。";
constexpr char kConnectCable[] = "USBケーブルを接続してください。";
constexpr int kTimedOut = 0x9999;

// Mode 1, past the start page: the detection page is watching.
struct Watching {
  explicit Watching(const WindowsRelease& release, const std::string& reg = {})
      : machine(release, reg), wizard(machine.Engine(), 1) {
    wizard.runner.Next();
  }
  CRegEdit& Engine() { return machine.Engine(); }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) wizard.runner.Tick();
  }

  InstallMachine machine;
  Wizard wizard;
};

TEST(DetectionPage, StartsWatchingWithAThreeSecondTimer) {
  Watching s(kWinXp);

  EXPECT_EQ(s.wizard.Active(), "CPage11");
  EXPECT_EQ(s.wizard.runner.Buttons(), kButtonBack | kButtonNext);
  EXPECT_EQ(s.wizard.runner.ActiveTimers(), (std::map<int, unsigned>{{1, 3000}}));
  EXPECT_EQ(s.wizard.Text(1011), kWatching);
  EXPECT_EQ(s.wizard.Text(1018), kConnectCable);
  EXPECT_EQ(s.wizard.Text(1015), "");
  EXPECT_EQ(s.Engine().m_nInstallState, 0);
  EXPECT_EQ(s.Engine().m_nInstallFound, 0);
}

TEST(DetectionPage, RefusesBackAndNextUntilATickFindsTheDevice) {
  Watching s(kWinXp, XpMouse());

  EXPECT_TRUE(s.wizard.runner.Next());
  EXPECT_EQ(s.wizard.Active(), "CPage11");
  s.Ticks(3);
  EXPECT_TRUE(s.wizard.runner.Back());
  EXPECT_EQ(s.wizard.Active(), "CPage11");
  EXPECT_EQ(s.wizard.Text(1011), kWatching);

  s.machine.Plug(XpModem());
  // Plugged in, but not looked for yet.
  s.wizard.runner.Next();
  EXPECT_EQ(s.wizard.Active(), "CPage11");
  s.wizard.runner.Tick();

  EXPECT_EQ(s.Engine().m_nInstallState, 1);
  EXPECT_EQ(s.Engine().m_nInstallFound, 0x100);
  EXPECT_EQ(s.wizard.Text(1011), kDetected);
  EXPECT_EQ(s.wizard.Text(1015), "tolvek ZR-77Q5K - USB");
  // Polling goes on after a find.
  EXPECT_EQ(s.wizard.runner.ActiveTimers().size(), 1u);
  EXPECT_TRUE(s.wizard.runner.Next());
  EXPECT_EQ(s.wizard.Active(), "CPage12");
}

TEST(DetectionPage, TimesOutInThe62ndTick) {
  Watching s(kWinXp);

  s.Ticks(61);
  EXPECT_EQ(s.Engine().m_nInstallState, 0);
  EXPECT_EQ(s.wizard.runner.ActiveTimers().size(), 1u);
  s.wizard.runner.Next();
  EXPECT_EQ(s.wizard.Active(), "CPage11");

  s.wizard.runner.Tick();
  EXPECT_EQ(s.Engine().m_nInstallState, kTimedOut);
  EXPECT_TRUE(s.wizard.runner.ActiveTimers().empty());
  EXPECT_EQ(s.wizard.Text(1011), kWatching);

  s.wizard.runner.Next();
  EXPECT_EQ(s.wizard.Active(), "CPage12");
  EXPECT_EQ(s.wizard.Text(1011), "デバイスがインストールされていません。");
}

TEST(DetectionPage, AFindInTheLastTickWinsOverTheTimeOut) {
  Watching s(kWinXp);
  s.Ticks(61);
  s.machine.Plug(XpModem());

  s.wizard.runner.Tick();

  EXPECT_EQ(s.Engine().m_nInstallState, 1);
  EXPECT_TRUE(s.wizard.runner.ActiveTimers().empty());
  s.wizard.runner.Next();
  EXPECT_EQ(s.wizard.Text(1011), "インストールが完了しました。");
}

TEST(DetectionPage, KeepsAFindUntilTheTimeOutEvenWhenTheDeviceIsUnplugged) {
  Watching s(kWinXp);
  s.machine.Plug(XpModem());
  s.wizard.runner.Tick();
  ASSERT_EQ(s.Engine().m_nInstallState, 1);
  s.machine.Machine().Tree().Remove("SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0012");

  s.Ticks(60);
  EXPECT_EQ(s.Engine().m_nInstallState, 1);
  EXPECT_EQ(s.wizard.Text(1011), kDetected);
  EXPECT_EQ(s.wizard.Text(1015), "tolvek ZR-77Q5K - USB");

  s.wizard.runner.Tick();
  EXPECT_EQ(s.Engine().m_nInstallState, kTimedOut);
}

TEST(DetectionPage, KillsItsTimerWhenLeftAndStartsANewWatchOnReturn) {
  Watching s(kWinXp);
  SheetSpy spy(&s.wizard.runner);
  s.wizard.sheet.m_page11.Attach(&spy);
  s.Ticks(62);
  ASSERT_EQ(s.Engine().m_nInstallState, kTimedOut);
  spy.calls.clear();

  ASSERT_TRUE(s.wizard.runner.Back());
  EXPECT_EQ(s.wizard.Active(), "CPage10");
  EXPECT_EQ(spy.calls, (std::vector<std::string>{"kill 1"}));

  ASSERT_TRUE(s.wizard.runner.Next());
  EXPECT_EQ(spy.calls, (std::vector<std::string>{"kill 1", "set 1 3000"}));
  EXPECT_EQ(s.Engine().m_nInstallState, 0);
  EXPECT_EQ(s.wizard.sheet.m_page11.m_nTicks, 0);
  // A whole new watch: 61 more ticks do not end it.
  s.Ticks(61);
  EXPECT_EQ(s.Engine().m_nInstallState, 0);
  s.wizard.runner.Tick();
  EXPECT_EQ(s.Engine().m_nInstallState, kTimedOut);
}

TEST(DetectionPage, ActivationResetsTheFoundWordAndTheTexts) {
  Watching s(kWinXp);
  s.machine.Plug(XpModem());
  s.wizard.runner.Tick();
  ASSERT_EQ(s.Engine().m_nInstallFound, 0x100);
  s.wizard.runner.Back();

  s.wizard.runner.Next();

  EXPECT_EQ(s.Engine().m_nInstallFound, 0);
  EXPECT_EQ(s.Engine().m_nInstallState, 0);
  EXPECT_EQ(s.wizard.Text(1011), kWatching);
  EXPECT_EQ(s.wizard.Text(1015), "");
}

TEST(DetectionPage, WithoutATimerItNeverPollsAndOnlyCancelLeaves) {
  InstallMachine m(kWinXp, XpModem() + XpLan());
  Wizard w(m.Engine(), 1);
  SheetSpy spy(&w.runner);
  spy.refuseTimers = true;
  w.sheet.m_page11.Attach(&spy);
  w.runner.Next();
  ASSERT_EQ(w.Active(), "CPage11");

  for (int i = 0; i < 100; ++i) w.sheet.m_page11.OnTimer(1);
  w.runner.Next();
  w.runner.Back();

  EXPECT_EQ(m.Engine().m_nInstallState, 0);
  EXPECT_EQ(w.Active(), "CPage11");
  EXPECT_EQ(w.Text(1011), kWatching);
  w.runner.Cancel();
  EXPECT_TRUE(w.runner.Closed());
}

// Which device the poll reports, and whether it counts as installed by this
// run: only a device whose set the start page staged sets its found bit.
struct FoundCase {
  const char* name;
  const WindowsRelease* release;
  std::string installed;  // before the wizard starts
  std::string plugged;    // after the detection page opened
  int plan;
  int found;
  const char* modemLine;
  const char* lanLine;  // of the hidden USB-LAN row
};

void PrintTo(const FoundCase& c, std::ostream* os) { *os << c.name; }

class DetectionPageFound : public ::testing::TestWithParam<FoundCase> {};

TEST_P(DetectionPageFound, SetsFoundBitsOnlyForStagedSets) {
  const FoundCase& c = GetParam();
  Watching s(*c.release, c.installed);
  ASSERT_EQ(s.Engine().m_nInstallPlan, c.plan);
  if (!c.plugged.empty()) s.machine.Plug(c.plugged);

  s.wizard.runner.Tick();

  EXPECT_EQ(s.Engine().m_nInstallState, 1);
  EXPECT_EQ(s.Engine().m_nInstallFound, c.found);
  EXPECT_EQ(s.wizard.Text(1011), kDetected);
  EXPECT_EQ(s.wizard.Text(1015), c.modemLine);
  EXPECT_EQ(s.wizard.sheet.m_page11.m_strLan, c.lanLine);
  EXPECT_FALSE(s.wizard.runner.IsVisibleControl(1016, res::ControlKind::Static));
}

INSTANTIATE_TEST_SUITE_P(
    Devices, DetectionPageFound,
    ::testing::Values(
        FoundCase{"Win98PortAdapterStaged", &kWin98, "", PortAdapterInstance(), 0x003, 0x001,
                  "tolvek ZR-77Q5K USB Port Adapter", ""},
        FoundCase{"Win98LanStaged", &kWin98, "", Lan9xInstance(), 0x003, 0x002, "",
                  "tolvek ZR-77Q5K USB-Lan Adapter"},
        FoundCase{"Win98PortAdapterAlreadyInstalled", &kWin98, PortAdapterClass("0E9C0012"), PortAdapterInstance(),
                  0x002, 0x000, "tolvek ZR-77Q5K USB Port Adapter", ""},
        FoundCase{"WinMeBothStaged", &kWinMe, "", PortAdapterInstance() + Lan9xInstance(), 0x003, 0x003,
                  "tolvek ZR-77Q5K USB Port Adapter", "tolvek ZR-77Q5K USB-Lan Adapter"},
        FoundCase{"WinXpModemStaged", &kWinXp, "", XpModem(), 0x300, 0x100, "tolvek ZR-77Q5K - USB", ""},
        FoundCase{"WinXpLanStaged", &kWinXp, XpMouse(), XpLan(), 0x300, 0x200, "",
                  "tolvek ZR-77Q5K USB-Lan Adapter"},
        FoundCase{"WinXpModemAlreadyInstalled", &kWinXp, XpModem(), "", 0x200, 0x000, "tolvek ZR-77Q5K - USB", ""},
        FoundCase{"Win2000ModemStaged", &kWin2000, "", XpModem(), 0x300, 0x100, "tolvek ZR-77Q5K - USB", ""}),
    [](const ::testing::TestParamInfo<FoundCase>& info) { return std::string(info.param.name); });

TEST(DetectionPage, AnInstanceWithoutADriverIsNotADetection) {
  Watching s(kWinXp);
  s.machine.Plug(XpModem(false));

  s.Ticks(5);

  EXPECT_EQ(s.Engine().m_nInstallState, 0);
  EXPECT_EQ(s.wizard.Text(1015), "");
}

}  // namespace
}  // namespace zr::testing

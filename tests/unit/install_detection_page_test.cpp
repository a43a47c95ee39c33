// The device detection page: a poll per timer tick, found bits only for the
// sets the start page staged, the watch's end in its 62nd tick, and a fresh
// watch on every activation.
#include <gtest/gtest.h>

#include "tests/support/engine_over_image.h"

namespace zr::testing {
namespace {

using namespace device_keys;

constexpr char kComplete[] = "インストールが完了しました。";
constexpr char kPortAdapter[] = "tolvek ZR-77Q5K USB Port Adapter";
constexpr char kXpModemName[] = "tolvek ZR-77Q5K - USB";
constexpr char kLanAdapter[] = "tolvek ZR-77Q5K USB-Lan Adapter";

struct WatchCase {
  const char* name;
  Windows release;
  std::string device;
  int plugAt;    // before this tick
  int unplugAt;  // before this tick; 0: never
  int ticks;
  int found;
  const char* modemLine;
  const char* lanLine;  // of the hidden USB-LAN row
  const char* outcome;
  bool watchAgain = false;  // Back and Next after the ticks, then one more tick
};

class DetectionPageWatch : public ::testing::TestWithParam<WatchCase> {};

TEST_P(DetectionPageWatch, ReportsWhatTheTicksFound) {
  const WatchCase& c = GetParam();
  EngineOverImage m(c.release);
  Wizard w(m, 1);
  ASSERT_TRUE(w.runner.Next());
  for (int tick = 1; tick <= c.ticks; ++tick) {
    if (tick == c.plugAt) m.Plug(c.device);
    if (tick == c.unplugAt) m.Machine().Tree().Remove("SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0012");
    w.runner.Tick();
  }
  if (c.watchAgain) {
    ASSERT_TRUE(w.runner.Back());
    ASSERT_TRUE(w.runner.Next());
    w.runner.Tick();
  }

  EXPECT_EQ(m.Engine().Wizard().m_nInstallFound, c.found);
  EXPECT_EQ(w.Text(1011), "状態：次のデバイスを検出しました。");
  EXPECT_EQ(w.Text(1015), c.modemLine);
  EXPECT_EQ(w.sheet.m_page11.m_strLan, c.lanLine);
  EXPECT_FALSE(w.runner.IsVisibleControl(1016, res::ControlKind::Static));
  ASSERT_TRUE(w.runner.Next());
  EXPECT_EQ(w.Text(1011), c.outcome);
}

INSTANTIATE_TEST_SUITE_P(Watches, DetectionPageWatch,
                         ::testing::Values(WatchCase{"WinMeBoth", Windows::kMe, PortAdapterInstance() + Lan9xInstance(),
                                                     1, 0, 1, 0x003, kPortAdapter, kLanAdapter, kComplete},
                                           WatchCase{"WinXpBoth", Windows::kXp, XpModem() + XpLan(), 1, 0, 1, 0x300,
                                                     kXpModemName, kLanAdapter, kComplete},
                                           WatchCase{"AFindInTheLastTickWins", Windows::kXp, XpModem(), 62, 0, 62,
                                                     0x100, kXpModemName, "", kComplete},
                                           // A find is kept after the device went, until the watch ends.
                                           WatchCase{"AFindDoesNotOutlastTheWatch", Windows::kXp, XpModem(), 1, 2, 62,
                                                     0x100, kXpModemName, "", "デバイスがインストールされていません。"},
                                           // Both sets are staged by then: the new watch's plan is empty.
                                           WatchCase{"ANewWatchForgetsTheLastFind", Windows::kXp, XpModem(), 1, 0, 1,
                                                     0x000, kXpModemName, "", "既にインストールされています。", true}),
                         [](const ::testing::TestParamInfo<WatchCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zr::testing

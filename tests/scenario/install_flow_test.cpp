// Whole install runs, the wizard mode chosen on the command line: the start
// page stages the missing driver sets, the detection page waits for the
// plugged-in device or times out, the completion page reports the outcome.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <utility>

#include "platform/sim/machine.h"
#include "tests/scenario/scenario_image.h"

namespace zr::scenario {
namespace {

namespace fs = std::filesystem;

// The sample image as plugging the device in leaves it.
testing::MachineSnapshot PluggedSnapshot(std::string_view sample) {
  ScratchImage image(sample);
  std::string error;
  auto machine = sim::SimMachine::Load(image.Folder(), error);
  if (!machine || !machine->Plug(error)) throw std::runtime_error("the image does not plug in: " + error);
  return testing::MachineSnapshot::Take(machine->Tree(), image.Folder());
}

// The staged copies, in the order the snapshot lists them (by path, letter
// case folded): the path below drive_c as the sample image spells its
// folders, and the source below the program's folder.
using Staged = std::vector<std::pair<std::string, std::string>>;

// Each copy holds its source's bytes, and apart from these copies the
// machine is as `expected` shows it.
void ExpectOnlyStaged(const ScratchImage& image, const testing::MachineSnapshot& expected, const Staged& staged) {
  std::string added;
  for (const auto& [path, source] : staged) {
    EXPECT_EQ(image.ReadFile("drive_c/" + path), image.ReadFile("drive_c/Tools/ZR77/" + source)) << path;
    added += "file added: " + path + "\n";
  }
  EXPECT_EQ(expected.DifferencesFrom(image.Snapshot()), added);
}

const Staged kXpStaged = {{"WINDOWS/inf/mdmtvk5u.inf", "WinXp/mdmtvk5u.auto"},
                          {"WINDOWS/inf/tvkndis3.inf", "USB-Lan/tvkndis3.auto"},
                          {"WINDOWS/system32/drivers/tvkndis.sys", "USB-Lan/tvkndis.sys"}};
constexpr char kAgain[] = "next\ntick\nnext\nexpect 既にインストールされています。\nfinish\n";

TEST(InstallXp, StagesTheDriversAndWaitsForTheDeviceToBePluggedIn) {
  ScratchImage image("winxp-install");
  const RunResult run = RunProgram(image, R"(
expect OS : Windows XP (5.1.2600 / 2)
expect ZR-77Q5Kの設定スイッチ７番を"OFF"に切り替えてご使用ください。
next
expect 状態：デバイス検出中・・・
next
tick
back
plug
tick
expect tolvek ZR-77Q5K - USB
next
expect インストールが完了しました。
expect ZR-77Q5Kの電源を入れてUSBポートに
finish
)", "install");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  // Next and Back before the device was seen kept the detection page.
  EXPECT_TRUE(Contains(PageAfter(run.out, "next", 1), "[page 136 CPage11]"));
  EXPECT_TRUE(Contains(PageAfter(run.out, "back"), "[page 136 CPage11]"));
  EXPECT_TRUE(Contains(PageAfter(run.out, "next", 2), "  buttons: [完了] [キャンセル]"));
  ExpectOnlyStaged(image, PluggedSnapshot("winxp-install"), kXpStaged);
  EXPECT_FALSE(fs::exists(image.Folder() / "drive_c/WINDOWS/tvk_temp.dat"));
  EXPECT_EQ(image.Events(), std::vector<std::string>{"device plugged in (plug.reg merged)"});
}

// Back after the time-out and Next again start a new watch of 62 ticks.
TEST(InstallXp, ANeverPluggedDeviceEndsEachWatchInItsOwn62ndTick) {
  ScratchImage image("winxp-install");
  const auto before = image.Snapshot();
  const RunResult run = RunProgram(
      image, "next\ntick 61\nnext\ntick\nback\nnext\ntick 61\nnext\ntick\nnext\nexpect デバイスがインストールされていません。\nfinish\n",
      "install");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(Contains(PageAfter(run.out, "tick 61"), "timer 1: every 3000 ms"));
  EXPECT_FALSE(Contains(PageAfter(run.out, "tick"), "timer 1"));
  EXPECT_TRUE(Contains(PageAfter(run.out, "next", 1), "[page 136 CPage11]"));
  EXPECT_TRUE(Contains(PageAfter(run.out, "next", 3), "[page 136 CPage11]"));
  ExpectOnlyStaged(image, before, kXpStaged);
}

TEST(InstallXp, AnInstalledModemIsReportedAsAlreadyInstalled) {
  ScratchImage image("winxp-modem");
  const auto before = image.Snapshot();
  const RunResult run = RunProgram(image, kAgain, "install");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  // Only the missing USB-LAN set was staged.
  ExpectOnlyStaged(image, before, {kXpStaged[1], kXpStaged[2]});
}

TEST(Install98, StagesThePortAdapterSetIntoTheSystemFolderOnce) {
  ScratchImage image("win98-install");
  const RunResult run = RunProgram(image, R"(
expect ZR-77Q5Kの設定スイッチ７番を"ON"に切り替えてご使用ください。
next
plug
tick
expect tolvek ZR-77Q5K USB Port Adapter
next
expect インストールが完了しました。
finish
)", "install");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  Staged staged = {{"WINDOWS/INF/mdmtvk5u.inf", "Win98/mdmtvk5u.auto"},
                   {"WINDOWS/INF/tvkndis3.inf", "USB-Lan/tvkndis3.auto"},
                   {"WINDOWS/INF/tvkusb5.inf", "Win98/tvkusb5.auto"}};
  for (const char* file : {"sysfmapr.sys", "sysfport.vxd", "sysfser.dll", "sysfser.sys"})
    staged.emplace_back("WINDOWS/SYSTEM/" + std::string(file), "Win98/" + std::string(file));
  staged.emplace_back("WINDOWS/SYSTEM32/DRIVERS/tvkndis.sys", "USB-Lan/tvkndis.sys");
  ExpectOnlyStaged(image, PluggedSnapshot("win98-install"), staged);
  // A second run finds everything installed and stages nothing.
  const auto before = image.Snapshot();
  const RunResult again = RunProgram(image, kAgain, "install");
  ASSERT_EQ(again.status, 0) << again.out << again.err;
  EXPECT_EQ(before.DifferencesFrom(image.Snapshot()), "");
}

}  // namespace
}  // namespace zr::scenario

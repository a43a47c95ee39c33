// Whole install runs, the wizard mode chosen on the command line: the start
// page stages the missing driver sets, the detection page waits for the
// plugged-in device or times out, the completion page reports the outcome;
// in the chooser mode key D adds the debug page.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "platform/sim/machine.h"
#include "tests/scenario/scenario_image.h"

namespace zr::scenario {
namespace {

namespace fs = std::filesystem;

// Between single quotes the shell takes everything literally but a quote.
std::string ShellWord(const fs::path& path) {
  if (path.string().find('\'') != std::string::npos) throw std::runtime_error("path with a quote: " + path.string());
  return "'" + path.string() + "'";
}

// Runs the program over the image with `--mode mode` and `script`; the
// script and the output lie beside the image's own files.
RunResult RunInMode(const ScratchImage& image, std::string_view mode, std::string_view script) {
  static std::atomic<int> counter{0};
  const std::string run = "install" + std::to_string(counter++);
  image.WriteFile(run + ".script", std::string(script));
  const fs::path files = image.Folder() / run;
  const std::string command = ShellWord(ZR_PROGRAM) + " --machine " + ShellWord(image.Folder()) + " --mode " +
                              ShellWord(std::string(mode)) + " --script " + ShellWord(files.string() + ".script") +
                              " </dev/null >" + ShellWord(files.string() + ".out") + " 2>" +
                              ShellWord(files.string() + ".err");
  const int raw = std::system(command.c_str());
  RunResult result;
  if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
  result.out = image.ReadFile(run + ".out");
  result.err = image.ReadFile(run + ".err");
  return result;
}

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

TEST(InstallXp, StagesTheDriversAndWaitsForTheDeviceToBePluggedIn) {
  ScratchImage image("winxp-install");
  const RunResult run = RunInMode(image, "install", R"(
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
)");
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
  const RunResult run = RunInMode(image, "install", R"(
next
tick 61
next
tick
back
next
tick 61
next
tick
next
expect デバイスがインストールされていません。
finish
)");
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
  const RunResult run =
      RunInMode(image, "install", "next\ntick\nnext\nexpect 既にインストールされています。\nfinish\n");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  // Only the missing USB-LAN set was staged.
  ExpectOnlyStaged(image, before, {kXpStaged[1], kXpStaged[2]});
}

TEST(Install98, StagesThePortAdapterSetIntoTheSystemFolder) {
  ScratchImage image("win98-install");
  const RunResult run = RunInMode(image, "install", R"(
expect OS : Windows 98 (4.10.2222 / 1)
expect ZR-77Q5Kの設定スイッチ７番を"ON"に切り替えてご使用ください。
next
plug
tick
expect tolvek ZR-77Q5K USB Port Adapter
next
expect インストールが完了しました。
finish
)");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  ExpectOnlyStaged(image, PluggedSnapshot("win98-install"),
                   {{"WINDOWS/INF/mdmtvk5u.inf", "Win98/mdmtvk5u.auto"},
                    {"WINDOWS/INF/tvkndis3.inf", "USB-Lan/tvkndis3.auto"},
                    {"WINDOWS/INF/tvkusb5.inf", "Win98/tvkusb5.auto"},
                    {"WINDOWS/SYSTEM/sysfmapr.sys", "Win98/sysfmapr.sys"},
                    {"WINDOWS/SYSTEM/sysfport.vxd", "Win98/sysfport.vxd"},
                    {"WINDOWS/SYSTEM/sysfser.dll", "Win98/sysfser.dll"},
                    {"WINDOWS/SYSTEM/sysfser.sys", "Win98/sysfser.sys"},
                    {"WINDOWS/SYSTEM32/DRIVERS/tvkndis.sys", "USB-Lan/tvkndis.sys"}});

  // A second run finds everything installed and stages nothing.
  const auto before = image.Snapshot();
  const RunResult again =
      RunInMode(image, "install", "next\ntick\nnext\nexpect 既にインストールされています。\nfinish\n");
  ASSERT_EQ(again.status, 0) << again.out << again.err;
  EXPECT_EQ(before.DifferencesFrom(image.Snapshot()), "");
}

TEST(InstallUnsupported, OffersOnlyFinishOnNt4) {
  ScratchImage image("nt4");
  const auto before = image.Snapshot();
  const RunResult run = RunInMode(image, "install", "expect 未サポートのオペレーティング・システムです。\nfinish\n");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(Contains(Lines(run.out), "  buttons: [完了] [キャンセル]"));
  EXPECT_FALSE(Contains(Lines(run.out), "「次へ」ボタンをクリックするとインストールを開始します。"));
  EXPECT_EQ(before.DifferencesFrom(image.Snapshot()), "");
}

TEST(ChooserMode, TheDebugKeyShowsTheWorkFileBetweenTheStartAndTheDetectionPage) {
  ScratchImage image("winxp-install");
  const RunResult run = RunInMode(image, "chooser", R"(
key D
next
next
expect デバック情報
next
expect 状態：デバイス検出中・・・
cancel
)");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  // The work file, line by line, as detection and staging wrote it.
  const auto debug = PageAfter(run.out, "next", 1);
  EXPECT_TRUE(Contains(debug, "    | reg_enum=ROOT_HUB"));
  EXPECT_TRUE(Contains(debug, "    | src_3=C:\\Tools\\ZR77\\USB-Lan\\tvkndis.sys"));
}

}  // namespace
}  // namespace zr::scenario

// Whole install runs in the program's install mode: the start page stages
// the missing driver sets, the detection page waits for the plugged-in
// device or times out, the completion page reports the outcome.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "tests/scenario/install_run.h"

namespace zr::scenario {
namespace {

constexpr int kScriptError = 2;

std::vector<std::string> Lowered(std::vector<std::string> lines) {
  for (std::string& line : lines)
    for (char& c : line) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::sort(lines.begin(), lines.end());
  return lines;
}

// The staged copies: Windows path, source below C:\Tools\ZR77.
struct Staged {
  const char* path;
  const char* source;
};

// The report lines of the staged copies as Lowered gives them: sorted,
// lower-cased, since the copies land in folders of any letter case.
std::vector<std::string> FilesAdded(const std::vector<Staged>& staged) {
  std::vector<std::string> lines;
  for (const Staged& s : staged) {
    std::string relative = std::string(s.path).substr(3);
    for (char& c : relative)
      if (c == '\\') c = '/';
    lines.push_back("file added: " + relative);
  }
  return Lowered(lines);
}

void ExpectStaged(const ScratchImage& image, const std::vector<Staged>& staged) {
  for (const Staged& s : staged) {
    SCOPED_TRACE(s.path);
    const std::string source = WindowsFile(image, std::string("C:\\Tools\\ZR77\\") + s.source);
    ASSERT_NE(source, "<missing>");
    EXPECT_EQ(WindowsFile(image, s.path), source);
  }
}

const std::vector<Staged> kXpStaged = {{"C:\\WINDOWS\\inf\\mdmtvk5u.inf", "WinXp\\mdmtvk5u.auto"},
                                       {"C:\\WINDOWS\\inf\\tvkndis3.inf", "USB-Lan\\tvkndis3.auto"},
                                       {"C:\\WINDOWS\\system32\\drivers\\tvkndis.sys", "USB-Lan\\tvkndis.sys"}};

TEST(InstallXp, StagesTheDriversAndWaitsForTheDeviceToBePluggedIn) {
  ScratchImage image("winxp-install");
  const RunResult run = RunInMode(image, "install", R"(
expect OS : Windows XP (5.1.2600 / 2)
expect ZR-77Q5Kの設定スイッチ７番を"OFF"に切り替えてご使用ください。
next
expect 状態：デバイス検出中・・・
next
tick
next
expect 状態：デバイス検出中・・・
plug
tick
expect 状態：次のデバイスを検出しました。
expect tolvek ZR-77Q5K - USB
next
expect インストールが完了しました。
expect ZR-77Q5Kの電源を入れてUSBポートに
expect USBケーブルを接続してください。
finish
)");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  // The Next presses before the device was seen kept the detection page.
  EXPECT_TRUE(Contains(PageAfter(run.out, "next", 1), "[page 136 CPage11]"));
  EXPECT_TRUE(Contains(PageAfter(run.out, "next", 2), "[page 136 CPage11]"));
  EXPECT_TRUE(Contains(PageAfter(run.out, "next", 3), "[page 137 CPage12]"));
  EXPECT_TRUE(Contains(PageAfter(run.out, "next", 3), "1016 static: ZR-77Q5Kの電源を入れてUSBポートに"));

  ExpectStaged(image, kXpStaged);
  // Apart from the copies, the machine is as plugging the device in left it;
  // the work file is gone.
  EXPECT_EQ(Lowered(Lines(PluggedSnapshot("winxp-install").DifferencesFrom(image.Snapshot()))), FilesAdded(kXpStaged));
  EXPECT_EQ(WindowsFile(image, "C:\\WINDOWS\\tvk_temp.dat"), "<missing>");
  EXPECT_EQ(image.Events(), std::vector<std::string>{"device plugged in (plug.reg merged)"});
}

TEST(InstallXp, ANeverPluggedDeviceEndsTheWatchInThe62ndTick) {
  ScratchImage image("winxp-install");
  const std::string reg = image.ReadFile("HKLM.reg");
  const RunResult run = RunInMode(image, "install", R"(
next
tick 61
next
expect 状態：デバイス検出中・・・
tick
next
expect デバイスがインストールされていません。
finish
)");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(Contains(PageAfter(run.out, "next", 1), "[page 136 CPage11]"));
  EXPECT_TRUE(Contains(PageAfter(run.out, "tick 61"), "timer 1: every 3000 ms"));
  EXPECT_FALSE(Contains(PageAfter(run.out, "tick"), "timer 1"));
  const auto done = PageAfter(run.out, "next", 2);
  EXPECT_TRUE(Contains(done, "[page 137 CPage12]"));
  EXPECT_FALSE(Contains(done, "ZR-77Q5Kの電源を入れてUSBポートに"));
  EXPECT_FALSE(Contains(done, "USBケーブルを接続してください。"));

  ExpectStaged(image, kXpStaged);
  EXPECT_EQ(image.ReadFile("HKLM.reg"), reg);
  EXPECT_TRUE(image.Events().empty());
}

TEST(InstallXp, AnInstalledModemIsReportedAsAlreadyInstalled) {
  ScratchImage image("winxp-modem");
  const auto before = image.Snapshot();
  const RunResult run = RunInMode(image, "install", R"(
next
tick
expect 状態：次のデバイスを検出しました。
expect tolvek ZR-77Q5K - USB
next
expect 既にインストールされています。
finish
)");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_FALSE(Contains(PageAfter(run.out, "next", 1), "ZR-77Q5Kの電源を入れてUSBポートに"));
  // Only the missing USB-LAN set was staged; the modem's files and the
  // registry are as they were.
  const std::vector<Staged> lan = {kXpStaged[1], kXpStaged[2]};
  ExpectStaged(image, lan);
  EXPECT_EQ(Lowered(Lines(before.DifferencesFrom(image.Snapshot()))), FilesAdded(lan));
}

TEST(Install98, StagesThePortAdapterSetIntoTheSystemFolder) {
  ScratchImage image("win98-install");
  const RunResult run = RunInMode(image, "install", R"(
expect OS : Windows 98 (4.10.2222 / 1)
expect ZR-77Q5Kの設定スイッチ７番を"ON"に切り替えてご使用ください。
next
tick
expect 状態：デバイス検出中・・・
plug
tick
expect tolvek ZR-77Q5K USB Port Adapter
next
expect インストールが完了しました。
finish
)");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const std::vector<Staged> staged = {{"C:\\WINDOWS\\inf\\tvkusb5.inf", "Win98\\tvkusb5.auto"},
                                      {"C:\\WINDOWS\\inf\\mdmtvk5u.inf", "Win98\\mdmtvk5u.auto"},
                                      {"C:\\WINDOWS\\SYSTEM\\sysfser.sys", "Win98\\sysfser.sys"},
                                      {"C:\\WINDOWS\\SYSTEM\\sysfser.dll", "Win98\\sysfser.dll"},
                                      {"C:\\WINDOWS\\SYSTEM\\sysfport.vxd", "Win98\\sysfport.vxd"},
                                      {"C:\\WINDOWS\\SYSTEM\\sysfmapr.sys", "Win98\\sysfmapr.sys"},
                                      {"C:\\WINDOWS\\inf\\tvkndis3.inf", "USB-Lan\\tvkndis3.auto"},
                                      {"C:\\WINDOWS\\system32\\drivers\\tvkndis.sys", "USB-Lan\\tvkndis.sys"}};
  ExpectStaged(image, staged);
  EXPECT_EQ(Lowered(Lines(PluggedSnapshot("win98-install").DifferencesFrom(image.Snapshot()))), FilesAdded(staged));

  // A second run finds everything installed: nothing more is staged, and the
  // device counts as already installed.
  const auto before = image.Snapshot();
  const RunResult again = RunInMode(image, "install", "next\ntick\nnext\nexpect 既にインストールされています。\nfinish\n");
  ASSERT_EQ(again.status, 0) << again.out << again.err;
  EXPECT_EQ(before.DifferencesFrom(image.Snapshot()), "");
}

TEST(InstallMe, StagesOnlyTheInfFilesOfTheModemSide) {
  ScratchImage image("winme-install");
  const RunResult run = RunInMode(image, "install", R"(
expect OS : Windows Me (4.90.3000 / 1)
expect ZR-77Q5Kの設定スイッチ７番を"OFF"に切り替えてご使用ください。
next
plug
tick
expect tolvek ZR-77Q5K USB Port Adapter
next
expect インストールが完了しました。
finish
)");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const std::vector<Staged> staged = {{"C:\\WINDOWS\\inf\\tvkusb5.inf", "WinMe\\tvkusb5.auto"},
                                      {"C:\\WINDOWS\\inf\\mdmtvk5u.inf", "WinMe\\mdmtvk5u.auto"},
                                      {"C:\\WINDOWS\\inf\\tvkndis3.inf", "USB-Lan\\tvkndis3.auto"},
                                      {"C:\\WINDOWS\\system32\\drivers\\tvkndis.sys", "USB-Lan\\tvkndis.sys"}};
  ExpectStaged(image, staged);
  EXPECT_EQ(Lowered(Lines(PluggedSnapshot("winme-install").DifferencesFrom(image.Snapshot()))), FilesAdded(staged));
}

TEST(InstallUnsupported, OffersOnlyFinishOnNt4) {
  ScratchImage image("nt4");
  const auto before = image.Snapshot();
  const RunResult run = RunInMode(image, "install", R"(
expect 未サポートのオペレーティング・システムです。
expect インストールできません。
finish
)");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const auto first = Lines(run.out);
  EXPECT_TRUE(Contains(first, "  buttons: [完了] [キャンセル]"));
  EXPECT_TRUE(Contains(first, "1017 static: "));
  EXPECT_FALSE(Contains(first, "「次へ」ボタンをクリックするとインストールを開始します。"));

  const RunResult next = RunInMode(image, "install", "next\n");
  EXPECT_EQ(next.status, kScriptError);
  EXPECT_TRUE(Contains(Lines(next.out), "script error: line 1: the Next button is not enabled")) << next.out;
  EXPECT_EQ(before.DifferencesFrom(image.Snapshot()), "");
}

}  // namespace
}  // namespace zr::scenario

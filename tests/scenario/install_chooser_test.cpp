// The chooser mode of the program: install or uninstall picked on the first
// page, and the debug page that key D adds, showing the work file.
#include <gtest/gtest.h>

#include "tests/scenario/install_run.h"

namespace zr::scenario {
namespace {

TEST(ChooserMode, InstallWithoutTheDebugKeyGoesFromTheStartPageToTheCompletionPage) {
  ScratchImage image("winxp-install");
  const RunResult run = RunInMode(image, "chooser", R"(
expect 項目を選択し「次へ」ボタンをクリックしてください。
next
expect ZR-77Q5Kの設定スイッチ７番を"OFF"に切り替えてご使用ください。
next
expect インストールが完了しました。
expect ZR-77Q5Kの電源を入れてUSBポートに
finish
)");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const auto chooser = Lines(run.out.substr(0, run.out.find("> ")));
  EXPECT_TRUE(Contains(chooser, "[page 134 CPage0]"));
  EXPECT_TRUE(Contains(chooser, "1007 radio: (*) インストール"));
  EXPECT_TRUE(Contains(chooser, "1008 radio: ( ) アンインストール"));
  EXPECT_TRUE(Contains(chooser, "  buttons: [次へ >] [キャンセル]"));
  EXPECT_TRUE(Contains(PageAfter(run.out, "next", 0), "[page 135 CPage10]"));
  EXPECT_TRUE(Contains(PageAfter(run.out, "next", 1), "[page 137 CPage12]"));
  EXPECT_NE(WindowsFile(image, "C:\\WINDOWS\\inf\\mdmtvk5u.inf"), "<missing>");
}

TEST(ChooserMode, UninstallWithoutTheDebugKeyStartsWithTheSelectionPage) {
  ScratchImage image("winxp-install");
  const RunResult run = RunInMode(image, "chooser", "select 1008\nnext\ncancel\n");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const auto selection = PageAfter(run.out, "next");
  EXPECT_TRUE(Contains(selection, "[page 129 CPage1]"));
  EXPECT_TRUE(Contains(selection, "  buttons: [次へ >] [キャンセル]"));
}

TEST(ChooserMode, TheDebugKeyShowsTheWorkFileBetweenTheStartAndTheDetectionPage) {
  ScratchImage image("winxp-install");
  const RunResult run = RunInMode(image, "chooser", R"(
key D
next
next
expect デバック情報
expect [copy_file]
next
expect 状態：デバイス検出中・・・
plug
tick
next
expect インストールが完了しました。
finish
)");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const auto debug = PageAfter(run.out, "next", 1);
  EXPECT_TRUE(Contains(debug, "[page 130 CPage2]"));
  EXPECT_TRUE(Contains(debug, "  buttons: [< 戻る] [次へ >] [キャンセル]"));
  // The work file, line by line, as detection and staging wrote it.
  EXPECT_TRUE(Contains(debug, "    | [usb_root0]"));
  EXPECT_TRUE(Contains(debug, "    | reg_enum=ROOT_HUB"));
  EXPECT_TRUE(Contains(debug, "    | dst_1=C:\\WINDOWS\\inf\\mdmtvk5u.inf"));
  EXPECT_TRUE(Contains(debug, "    | src_3=C:\\Tools\\ZR77\\USB-Lan\\tvkndis.sys"));
  EXPECT_TRUE(Contains(PageAfter(run.out, "next", 2), "[page 136 CPage11]"));
}

TEST(ChooserMode, TheDebugKeyInTheUninstallFlowComesAfterTheSelectionPage) {
  ScratchImage image("winxp-modem");
  const RunResult run = RunInMode(image, "chooser", R"(
select 1008
key 0x64
next
check 1001
next
expect tolvek ZR-77Q5K - USB
back
cancel
)");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(Contains(PageAfter(run.out, "next", 0), "[page 129 CPage1]"));
  const auto debug = PageAfter(run.out, "next", 1);
  EXPECT_TRUE(Contains(debug, "[page 130 CPage2]"));
  EXPECT_TRUE(Contains(debug, "    | usb_device0_reg_dev_name=tolvek ZR-77Q5K - USB"));
  EXPECT_TRUE(Contains(PageAfter(run.out, "back"), "[page 129 CPage1]"));
}

TEST(ChooserMode, ALaterKeyReplacesTheDebugKey) {
  ScratchImage image("winxp-install");
  const RunResult run = RunInMode(image, "chooser", "key D\nkey 0x28\nnext\nnext\nexpect インストールが完了しました。\nfinish\n");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(Contains(PageAfter(run.out, "next", 1), "[page 137 CPage12]"));
}

// Without a work file (no USB device known to Windows, the drivers' INF
// files already in place: detection reads but writes nothing, and nothing
// is staged) the debug page says so.
TEST(ChooserMode, TheDebugPageShowsNoDataWithoutAWorkFile) {
  ScratchImage image("winxp-install");
  image.WriteFile("HKLM.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n[HKEY_LOCAL_MACHINE\\SYSTEM]\r\n\r\n");
  image.WriteFile("drive_c/WINDOWS/inf/mdmtvk5u.inf", image.ReadFile("drive_c/Tools/ZR77/WinXp/mdmtvk5u.auto"));
  image.WriteFile("drive_c/WINDOWS/inf/tvkndis3.inf", image.ReadFile("drive_c/Tools/ZR77/USB-Lan/tvkndis3.auto"));
  const RunResult run = RunInMode(image, "chooser", "key D\nnext\nnext\nexpect no data\ncancel\n");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const auto debug = PageAfter(run.out, "next", 1);
  EXPECT_TRUE(Contains(debug, "[page 130 CPage2]"));
  EXPECT_TRUE(Contains(debug, "    | no data"));
}

}  // namespace
}  // namespace zr::scenario

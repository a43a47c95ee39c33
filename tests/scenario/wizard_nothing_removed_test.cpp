// The uninstall wizard where it has nothing to remove or may not remove it:
// the device never installed, only its USB-LAN side installed, an
// unsupported Windows, and a user without administrator rights. None of
// them restarts Windows or changes the registry.
#include <gtest/gtest.h>

#include "tests/scenario/scenario_image.h"

namespace zr::scenario {
namespace {

struct NothingFound {
  const char* image;
  const char* modemLine;   // the detected-drivers page's modem line
  const char* resultLine;  // the completion page's first line ("" on an unsupported Windows)
};

void PrintTo(const NothingFound& c, std::ostream* out) { *out << c.image; }

class NothingFoundTest : public ::testing::TestWithParam<NothingFound> {};

TEST_P(NothingFoundTest, SaysSoAndChangesNothing) {
  const NothingFound& c = GetParam();
  ScratchImage image(c.image);
  const std::string reg = image.ReadFile("HKLM.reg");
  const auto before = image.Snapshot();

  const RunResult run = RunProgram(image, ScriptFile(c.image));
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const auto found = PageAfter(run.out, "next", 0);
  EXPECT_TRUE(Contains(found, std::string("1000 static: ") + c.modemLine));
  // No removal is announced: the heading line stays empty.
  EXPECT_TRUE(Contains(found, "1011 static: "));
  EXPECT_FALSE(Contains(found, "検出した以下のＵＳＢドライバを削除します。"));
  const auto done = PageAfter(run.out, "next", 1);
  EXPECT_TRUE(Contains(done, std::string("1000 static: ") + c.resultLine));
  EXPECT_FALSE(Contains(done, "再起動"));
  EXPECT_TRUE(Contains(PageAfter(run.out, "finish"), "=== the wizard has closed"));

  EXPECT_EQ(before.DifferencesFrom(image.Snapshot()), "");
  EXPECT_EQ(image.ReadFile("HKLM.reg"), reg);
  EXPECT_TRUE(image.Events().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Images, NothingFoundTest,
    ::testing::Values(NothingFound{"winxp-nothing", "インストールされていません", "USBドライバはインストールされていません"},
                      NothingFound{"win98-lan", "インストールされていません", "USBドライバはインストールされていません"},
                      NothingFound{"nt4", "アンインストールできません", ""}),
    [](const ::testing::TestParamInfo<NothingFound>& info) { return TestName(info.param.image); });

TEST(LimitedUser, IsToldOnceThatAdministratorRightsAreNeededAndTheWizardCloses) {
  ScratchImage image("winxp-limited-user");
  const std::string reg = image.ReadFile("HKLM.reg");
  const auto before = image.Snapshot();

  const RunResult run = RunProgram(image, ScriptFile("winxp-limited-user"));
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const auto after = PageAfter(run.out, "next", 1);
  ASSERT_FALSE(after.empty());
  EXPECT_EQ(after.front(),
            "message box [アクセス権エラー] 管理者権限でログオンする必要があります。 / アプリケーションを終了します。");
  EXPECT_TRUE(Contains(after, "=== the wizard has closed"));
  int boxes = 0;
  for (const std::string& line : Lines(run.out)) boxes += line.rfind("message box", 0) == 0 ? 1 : 0;
  EXPECT_EQ(boxes, 1);

  EXPECT_EQ(image.Events(),
            std::vector<std::string>{
                "message box [アクセス権エラー] 管理者権限でログオンする必要があります。\\nアプリケーションを終了します。"});
  EXPECT_EQ(image.ReadFile("HKLM.reg"), reg);
  // The simulation has no access lists on files, so the device's INF files
  // may go even for a limited user (on Windows they would stay); every other
  // file must be as it was.
  auto expected = before;
  auto actual = image.Snapshot();
  for (const char* inf : {"C:\\WINDOWS\\inf\\oem3.inf", "C:\\WINDOWS\\inf\\oem3.PNF", "C:\\WINDOWS\\inf\\mdmtvk5u.inf",
                          "C:\\WINDOWS\\inf\\mdmtvk5u.PNF"}) {
    expected.WithoutFile(inf);
    if (actual.HasFile(inf)) actual.WithoutFile(inf);
  }
  EXPECT_EQ(expected.DifferencesFrom(actual), "");
}

}  // namespace
}  // namespace zr::scenario

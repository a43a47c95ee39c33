// The uninstall wizard over each image that has the device's modem side
// installed: the pages say what was found and done, the device's keys, files
// and COM port go, Finish restarts Windows (after the shutdown privilege on
// Windows 2000/XP only), and every key and file of other devices stays byte
// for byte.
#include <gtest/gtest.h>

#include "tests/scenario/modem_removals.h"
#include "tests/scenario/scenario_image.h"

namespace zr::scenario {
namespace {

class ModemRemovalTest : public ::testing::TestWithParam<ModemRemoval> {};

std::string ImageName(const ::testing::TestParamInfo<ModemRemoval>& info) { return TestName(info.param.image); }

TEST_P(ModemRemovalTest, RemovesTheDeviceAndRestarts) {
  const ModemRemoval& removal = GetParam();
  ScratchImage image(removal.image);
  const auto before = image.Snapshot();

  const RunResult run = RunProgram(image, ScriptFile(removal.image));
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(Contains(PageAfter(run.out, "check 1001"), "1001 check: [x] USBモデム"));
  EXPECT_TRUE(Contains(PageAfter(run.out, "next"), "1000 static: " + removal.foundLine));
  EXPECT_TRUE(Contains(PageAfter(run.out, "finish"), "=== the wizard has closed"));

  EXPECT_EQ(AfterRemoval(before, removal).DifferencesFrom(image.Snapshot()), "");
  EXPECT_EQ(image.Events(), removal.finishEvents);
  // Written back as the regedit export it was: REGEDIT4, code page 932, CRLF.
  EXPECT_EQ(image.ReadFile("HKLM.reg").substr(0, 12), "REGEDIT4\r\n\r\n");
}

TEST_P(ModemRemovalTest, BackKeepsTheTickAndTheRemovalIsTheSame) {
  const ModemRemoval& removal = GetParam();
  ScratchImage image(removal.image);
  const auto before = image.Snapshot();

  const RunResult run = RunProgram(image, "check 1001\nnext\nback\nnext\nnext\nfinish\n");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const auto selection = PageAfter(run.out, "back");
  EXPECT_TRUE(Contains(selection, "[page 129 CPage1]"));
  EXPECT_TRUE(Contains(selection, "1001 check: [x] USBモデム"));
  // Nothing is removed before the second Next of the detected-drivers page.
  EXPECT_TRUE(Contains(PageAfter(run.out, "next", 1), "1000 static: " + removal.foundLine));

  EXPECT_EQ(AfterRemoval(before, removal).DifferencesFrom(image.Snapshot()), "");
  EXPECT_EQ(image.Events(), removal.finishEvents);
}

TEST_P(ModemRemovalTest, CancelOnEachPageRemovesNothingFurtherAndRestartsNothing) {
  const ModemRemoval& removal = GetParam();
  struct Case {
    const char* page;
    const char* script;
    bool removed;  // the removal ran before Cancel
  };
  const Case cases[] = {
      {"selection", "check 1001\ncancel\n", false},
      {"detected drivers", "check 1001\nnext\ncancel\n", false},
      {"completion", "check 1001\nnext\nnext\ncancel\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    ScratchImage image(removal.image);
    const auto before = image.Snapshot();
    const std::string reg = image.ReadFile("HKLM.reg");

    const RunResult run = RunProgram(image, c.script);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(Contains(PageAfter(run.out, "cancel"), "=== the wizard has closed"));
    const auto expected = c.removed ? AfterRemoval(before, removal) : before;
    EXPECT_EQ(expected.DifferencesFrom(image.Snapshot()), "");
    if (!c.removed) {
      EXPECT_EQ(image.ReadFile("HKLM.reg"), reg);
    }
    EXPECT_TRUE(image.Events().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Images, ModemRemovalTest, ::testing::ValuesIn(ModemRemovals()), ImageName);

TEST(SelectionPage, NextWithNothingTickedStaysAndChangesNothing) {
  for (const char* sample : {"winxp-modem", "win98-portadapter"}) {
    SCOPED_TRACE(sample);
    ScratchImage image(sample);
    const std::string reg = image.ReadFile("HKLM.reg");
    const auto before = image.Snapshot();

    const RunResult run = RunProgram(image, "next\nnext\ncancel\n");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    for (int press = 0; press < 2; ++press) {
      const auto page = PageAfter(run.out, "next", press);
      EXPECT_TRUE(Contains(page, "[page 129 CPage1]"));
      EXPECT_TRUE(Contains(page, "1001 check: [ ] USBモデム"));
    }
    EXPECT_EQ(before.DifferencesFrom(image.Snapshot()), "");
    EXPECT_EQ(image.ReadFile("HKLM.reg"), reg);
    EXPECT_TRUE(image.Events().empty());
  }
}

}  // namespace
}  // namespace zr::scenario

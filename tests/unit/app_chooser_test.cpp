// The sheet's pages per wizard mode, and the chooser: install or uninstall,
// and the debug page when the last key pressed on it was D or key 4 of the
// numeric keypad.
#include <gtest/gtest.h>

#include "tests/unit/install_fixture.h"
#include "tests/unit/wizard_fixture.h"

namespace zr::testing {
namespace {

using Pages = std::vector<std::string>;

struct ModeCase {
  char mode;
  Pages pages;
  int firstButtons;
};

void PrintTo(const ModeCase& c, std::ostream* os) { *os << "mode " << static_cast<int>(static_cast<unsigned char>(c.mode)); }

class SheetModes : public ::testing::TestWithParam<ModeCase> {};

TEST_P(SheetModes, HoldThePagesOfTheMode) {
  const ModeCase& c = GetParam();
  InstallMachine m(kWinXp);
  Wizard w(m.Engine(), c.mode);

  EXPECT_EQ(w.Pages(), c.pages);
  EXPECT_EQ(w.Active(), c.pages.front());
  EXPECT_EQ(w.runner.Buttons(), c.firstButtons);
}

INSTANTIATE_TEST_SUITE_P(Modes, SheetModes,
                         ::testing::Values(ModeCase{1, {"CPage10", "CPage11", "CPage12"}, kButtonNext},
                                           ModeCase{2, {"CPage1", "CPage3", "CPage4"}, kButtonNext},
                                           ModeCase{0, {"CPage0"}, kButtonNext},
                                           ModeCase{3, {"CPage0"}, kButtonNext},
                                           ModeCase{static_cast<char>(0xFF), {"CPage0"}, kButtonNext}),
                         [](const ::testing::TestParamInfo<ModeCase>& info) {
                           return "Mode" + std::to_string(static_cast<unsigned char>(info.param.mode));
                         });

TEST(Chooser, OffersInstallSelectedAndOnlyNext) {
  InstallMachine m(kWinXp);
  Wizard w(m.Engine(), 0);

  EXPECT_EQ(w.Checked(1007), 1);
  EXPECT_EQ(w.Checked(1008), 0);
  EXPECT_EQ(w.runner.Buttons(), kButtonNext);
  EXPECT_FALSE(w.runner.Back());
}

struct ChoiceCase {
  const char* name;
  int radio;
  std::vector<unsigned> keys;
  Pages pages;
};

void PrintTo(const ChoiceCase& c, std::ostream* os) { *os << c.name; }

class ChooserNext : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ChooserNext, AddsTheChosenFlowAndMovesToItsFirstPage) {
  const ChoiceCase& c = GetParam();
  InstallMachine m(kWinXp);
  Wizard w(m.Engine(), 0);
  ASSERT_TRUE(w.runner.SelectRadio(c.radio));
  for (unsigned key : c.keys) w.runner.KeyDown(key);

  ASSERT_TRUE(w.runner.Next());

  EXPECT_EQ(w.Pages(), c.pages);
  EXPECT_EQ(w.Active(), c.pages[1]);
  // The first page of either flow has no Back button: the chooser is not
  // shown again, so its pages are added once.
  EXPECT_FALSE(w.runner.Buttons() & kButtonBack);
}

const Pages kInstall = {"CPage0", "CPage10", "CPage12"};
const Pages kInstallDebug = {"CPage0", "CPage10", "CPage2", "CPage11", "CPage12"};
const Pages kUninstall = {"CPage0", "CPage1", "CPage3", "CPage4"};
const Pages kUninstallDebug = {"CPage0", "CPage1", "CPage2", "CPage3", "CPage4"};

INSTANTIATE_TEST_SUITE_P(
    Choices, ChooserNext,
    ::testing::Values(ChoiceCase{"Install", 1007, {}, kInstall},
                      ChoiceCase{"InstallWithD", 1007, {0x44}, kInstallDebug},
                      ChoiceCase{"InstallWithNumpad4", 1007, {0x64}, kInstallDebug},
                      ChoiceCase{"InstallWithDigit4", 1007, {0x34}, kInstall},
                      ChoiceCase{"InstallWithDThenArrow", 1007, {0x44, 0x28}, kInstall},
                      ChoiceCase{"InstallWithArrowThenD", 1007, {0x28, 0x44}, kInstallDebug},
                      ChoiceCase{"Uninstall", 1008, {}, kUninstall},
                      ChoiceCase{"UninstallWithD", 1008, {0x44}, kUninstallDebug},
                      ChoiceCase{"UninstallWithDThenEnter", 1008, {0x44, 0x0D}, kUninstall}),
    [](const ::testing::TestParamInfo<ChoiceCase>& info) { return std::string(info.param.name); });

TEST(Chooser, KeepsTheLowByteOfTheLastKey) {
  InstallMachine m(kWinXp);
  Wizard w(m.Engine(), 0);

  w.runner.KeyDown(0x144);

  EXPECT_EQ(m.Engine().m_chLastKey, 0x44);
}

TEST(Chooser, KeysOnLaterPagesAreNotTheChoosersLastKey) {
  InstallMachine m(kWinXp);
  Wizard w(m.Engine(), 0);
  w.runner.KeyDown(0x44);
  w.runner.Next();
  ASSERT_EQ(w.Active(), "CPage10");

  w.runner.KeyDown(0x0D);

  EXPECT_EQ(m.Engine().m_chLastKey, 0x44);
}

}  // namespace
}  // namespace zr::testing

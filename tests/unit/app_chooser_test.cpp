// The chooser: the flow its Next adds, with the debug page only when the last
// key pressed on it was D or key 4 of the numeric keypad.
#include <gtest/gtest.h>

#include "tests/support/engine_over_image.h"

namespace zr::testing {
namespace {

using Pages = std::vector<std::string>;

struct ChoiceCase {
  const char* name;
  char mode;
  int radio;
  std::vector<unsigned> keys;
  Pages pages;
};

class ChooserNext : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ChooserNext, AddsTheChosenFlowOnceAndMovesToItsFirstPage) {
  const ChoiceCase& c = GetParam();
  EngineOverImage m(Windows::kXp);
  Wizard w(m, c.mode);
  ASSERT_EQ(w.Pages(), Pages{"CPage0"});
  ASSERT_TRUE(w.runner.SelectRadio(c.radio));
  for (unsigned key : c.keys) w.runner.KeyDown(key);

  ASSERT_TRUE(w.runner.Next());

  EXPECT_EQ(w.Pages(), c.pages);
  EXPECT_EQ(w.Active(), c.pages[1]);
  // The chooser is not shown again: the flow's first page has no Back.
  EXPECT_FALSE(w.runner.Buttons() & kButtonBack);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, ChooserNext,
    ::testing::Values(
        ChoiceCase{"AnUnknownModeShowsTheChooser", static_cast<char>(0xFF), 1007, {}, {"CPage0", "CPage10", "CPage12"}},
        ChoiceCase{"Digit4IsNotTheDebugKey", 0, 1007, {0x34}, {"CPage0", "CPage10", "CPage12"}},
        ChoiceCase{"ALaterKeyReplacesD", 0, 1007, {0x44, 0x28}, {"CPage0", "CPage10", "CPage12"}},
        ChoiceCase{"TheLastKeyCounts", 0, 1007, {0x28, 0x44}, {"CPage0", "CPage10", "CPage2", "CPage11", "CPage12"}},
        ChoiceCase{"Uninstall", 0, 1008, {}, {"CPage0", "CPage1", "CPage3", "CPage4"}},
        ChoiceCase{"UninstallWithNumpad4", 0, 1008, {0x64}, {"CPage0", "CPage1", "CPage2", "CPage3", "CPage4"}}),
    [](const ::testing::TestParamInfo<ChoiceCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zr::testing

// The install completion page: one of three outcomes from the install state
// and found words, only Finish, and Finish ends the wizard without a restart.
#include <gtest/gtest.h>

#include "tests/unit/install_fixture.h"
#include "tests/unit/wizard_fixture.h"

namespace zr::testing {
namespace {

constexpr char kNotInstalled[] = "デバイスがインストールされていません。";
constexpr char kAlreadyInstalled[] = "既にインストールされています。";
constexpr char kComplete[] = "インストールが完了しました。";
constexpr char kPowerOnAndPlug[] = "ZR-77Q5Kの電源を入れてUSBポートに";
constexpr char kConnectCable[] = "USBケーブルを接続してください。";

struct OutcomeCase {
  const char* name;
  int state;
  int found;
  const char* status;
  const char* line2;
  const char* line3;
};

void PrintTo(const OutcomeCase& c, std::ostream* os) { *os << c.name; }

class CompletionPage : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(CompletionPage, ReportsTheOutcome) {
  const OutcomeCase& c = GetParam();
  InstallMachine m(kWinXp);
  Wizard w(m.Engine(), 1);
  SheetSpy spy(&w.runner);
  CPage12& page = w.sheet.m_page12;
  page.Attach(&spy);
  m.Engine().m_nInstallState = c.state;
  m.Engine().m_nInstallFound = c.found;

  EXPECT_TRUE(page.OnSetActive());

  EXPECT_EQ(spy.buttons, std::vector<int>{kButtonFinish});
  auto text = [&](int id) {
    const ControlState* control = w.runner.FindControl(page, id);
    return control != nullptr ? control->text : "<none>";
  };
  EXPECT_EQ(text(1011), c.status);
  EXPECT_EQ(text(1015), "");
  EXPECT_EQ(text(1016), c.line2);
  EXPECT_EQ(text(1017), c.line3);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, CompletionPage,
    ::testing::Values(OutcomeCase{"TimedOut", 0x9999, 0, kNotInstalled, "", ""},
                      OutcomeCase{"TimedOutOutranksAFoundBit", 0x9999, 0x100, kNotInstalled, "", ""},
                      OutcomeCase{"SeenButNothingStaged", 1, 0, kAlreadyInstalled, "", ""},
                      OutcomeCase{"SeenAStagedSet", 1, 0x100, kComplete, kPowerOnAndPlug, kConnectCable},
                      OutcomeCase{"StagedWithoutTheDetectionPage", 1, 1, kComplete, kPowerOnAndPlug, kConnectCable}),
    [](const ::testing::TestParamInfo<OutcomeCase>& info) { return std::string(info.param.name); });

TEST(CompletionPageFinish, EndsTheWizardWithoutARestart) {
  InstallMachine m(kWinXp);
  Wizard w(m.Engine(), 1);
  w.runner.Next();
  m.Plug(device_keys::XpModem());
  w.runner.Tick();
  w.runner.Next();
  ASSERT_EQ(w.Active(), "CPage12");

  EXPECT_FALSE(w.runner.Back());
  EXPECT_FALSE(w.runner.Next());
  EXPECT_TRUE(w.runner.Finish());

  EXPECT_TRUE(w.runner.Closed());
  for (const std::string& event : m.Machine().Events()) EXPECT_EQ(event.find("restart"), std::string::npos) << event;
}

}  // namespace
}  // namespace zr::testing

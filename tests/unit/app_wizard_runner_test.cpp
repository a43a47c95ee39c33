// The rules by which the toolkit-neutral runner drives a sheet, as a wizard
// property sheet does: buttons posted in a handler take effect after it,
// disabled buttons do nothing, Cancel closes, and a close request is
// honoured once the step that made it has run.
#include <gtest/gtest.h>

#include <functional>

#include "tests/support/engine_over_image.h"

namespace zr::testing {
namespace {

// A page that logs its handlers and whose activation a test writes.
class ProbePage final : public CPage {
 public:
  ProbePage(CRegEdit& engine, const char* name) : CPage(137, name, engine) {}

  bool OnSetActive() override { return log.push_back("activate"), onSetActive(*this), true; }
  int OnWizardBack() override { return log.push_back("back"), kMove; }
  int OnWizardNext() override { return log.push_back("next"), onNext(); }
  bool OnWizardFinish() override { return log.push_back("finish"), true; }
  void OnKillActive() override { log.push_back("leave"); }
  void OnTimer(int) override { log.push_back("timer"); }

  void Post(int flags) { PostButtons(flags); }
  void StartTimer() { Sheet()->SetTimer(*this, 1, 1000); }

  std::function<void(ProbePage&)> onSetActive = [](ProbePage& p) { p.Post(kButtonBack | kButtonNext); };
  std::function<int()> onNext = [] { return kMove; };
  std::vector<std::string> log;
};

// The chooser, then a probe page: the chooser's Next moves to it.
struct ProbeSheet {
  ProbeSheet() : machine(Windows::kXp), wizard(machine, 0), a(machine.Engine(), "A") { wizard.runner.AddPage(a); }
  WizardRunner& runner() { return wizard.runner; }

  EngineOverImage machine;
  Wizard wizard;
  ProbePage a;
};

using Log = std::vector<std::string>;

// The probe page's last post disables every button: each is refused
// without calling the page, and once cancelled so is everything.
TEST(WizardRunner, AppliesPostedButtonsAfterTheHandlerAndRefusesDisabledOnes) {
  ProbeSheet s;
  int during = -1;
  s.a.onSetActive = [&](ProbePage& p) {
    p.Post(kButtonBack | kButtonNext);
    p.Post(0);
    p.StartTimer();
    during = s.runner().Buttons();
  };
  ASSERT_TRUE(s.runner().Next());
  EXPECT_EQ(during, kButtonNext);  // still the chooser's
  EXPECT_EQ(s.runner().Buttons(), 0);
  EXPECT_FALSE(s.runner().Back() || s.runner().Next() || s.runner().Finish());
  s.runner().Cancel();
  EXPECT_TRUE(s.runner().Closed());
  EXPECT_FALSE(s.runner().Next());
  s.runner().Tick();
  EXPECT_EQ(s.a.log, (Log{"activate", "leave"}));
}

// As the posted WM_CLOSE after the access-error message: the Next that
// asked for it moves on first, the next page is activated (its posted
// buttons come after the close and are never applied), then the sheet closes.
TEST(WizardRunner, HonoursACloseRequestOnceTheStepHasRun) {
  ProbeSheet s;
  ProbePage b(s.machine.Engine(), "B");
  s.runner().AddPage(b);
  b.onSetActive = [](ProbePage& p) { p.Post(kButtonFinish); };
  s.runner().Next();
  s.a.onNext = [&] {
    ISheetWindow* window = s.machine.Engine().Wizard().m_hSheetWnd;
    window->ShowMessage("管理者権限が必要です。", "ZR-77Q5K", MessageIcon::Error);
    window->PostClose();
    EXPECT_FALSE(s.runner().Closed());
    return kMove;
  };

  EXPECT_TRUE(s.runner().Next());

  EXPECT_TRUE(s.runner().Closed() && s.runner().ShownBeforeClose());
  EXPECT_EQ(s.a.log, (Log{"activate", "next", "leave"}));
  EXPECT_EQ(b.log, Log{"activate"});
  EXPECT_EQ(s.runner().Buttons(), kButtonBack | kButtonNext);
  ASSERT_EQ(s.machine.Sheet().messages.size(), 1u);
  EXPECT_EQ(s.machine.Sheet().messages[0].caption + ": " + s.machine.Sheet().messages[0].text,
            "ZR-77Q5K: 管理者権限が必要です。");
}

}  // namespace
}  // namespace zr::testing

// The rules by which the toolkit-neutral runner drives a sheet, as a wizard
// property sheet does: buttons posted in a handler take effect after it,
// disabled buttons do nothing, Back and Next move on 0 and stay on -1,
// Finish and Cancel close, a close request is honoured once the handler has
// returned, and timer messages reach only the active page's running timers.
#include <gtest/gtest.h>

#include <functional>

#include "tests/unit/install_fixture.h"
#include "tests/unit/wizard_fixture.h"

namespace zr::testing {
namespace {

// A page whose handlers a test writes.
class ProbePage final : public CPage {
 public:
  ProbePage(CRegEdit& engine, const char* name) : CPage(137, name, engine) {}

  bool OnSetActive() override {
    ++activations;
    if (onSetActive) onSetActive(*this);
    return true;
  }
  int OnWizardBack() override {
    ++backs;
    return onBack ? onBack() : kMove;
  }
  int OnWizardNext() override {
    ++nexts;
    return onNext ? onNext() : kMove;
  }
  bool OnWizardFinish() override { return onFinish ? onFinish() : true; }
  void OnKillActive() override { ++killActives; }
  void OnTimer(int id) override {
    timers.push_back(id);
    if (onTimer) onTimer(*this, id);
  }

  // What the handlers may ask of the sheet.
  void Post(int flags) { PostButtons(flags); }
  bool StartTimer(int id) { return Sheet()->SetTimer(*this, id, 1000); }
  void StopTimer(int id) { Sheet()->KillTimer(*this, id); }

  std::function<void(ProbePage&)> onSetActive;
  std::function<int()> onBack;
  std::function<int()> onNext;
  std::function<bool()> onFinish;
  std::function<void(ProbePage&, int)> onTimer;
  int activations = 0;
  int backs = 0;
  int nexts = 0;
  int killActives = 0;
  std::vector<int> timers;
};

// The chooser, then two probe pages, then the pages the chooser adds.
struct ProbeSheet {
  ProbeSheet() : machine(kWinXp), wizard(machine.Engine(), 0), a(machine.Engine(), "A"), b(machine.Engine(), "B") {
    wizard.runner.AddPage(a);
    wizard.runner.AddPage(b);
    a.onSetActive = [](ProbePage& p) { p.Post(kButtonBack | kButtonNext); };
    b.onSetActive = [](ProbePage& p) { p.Post(kButtonBack | kButtonFinish); };
  }
  // From the chooser to page A.
  void ToA() {
    ASSERT_TRUE(wizard.runner.Next());
    ASSERT_EQ(wizard.Active(), "A");
  }

  InstallMachine machine;
  Wizard wizard;
  ProbePage a;
  ProbePage b;
};

TEST(WizardRunner, AppliesPostedButtonsAfterTheHandlerReturns) {
  ProbeSheet s;
  int during = -1;
  s.a.onSetActive = [&](ProbePage& p) {
    p.Post(kButtonNext);
    p.Post(kButtonBack | kButtonNext);
    during = s.wizard.runner.Buttons();
  };

  s.ToA();

  EXPECT_EQ(during, kButtonNext);  // still the chooser's
  EXPECT_EQ(s.wizard.runner.Buttons(), kButtonBack | kButtonNext);
}

TEST(WizardRunner, KeepsTheButtonsWhenAHandlerPostsNone) {
  ProbeSheet s;
  s.ToA();
  s.a.onNext = [] { return kStay; };

  s.wizard.runner.Next();

  EXPECT_EQ(s.wizard.runner.Buttons(), kButtonBack | kButtonNext);
}

TEST(WizardRunner, RefusesButtonsThatAreNotEnabledWithoutCallingThePage) {
  ProbeSheet s;
  s.ToA();
  s.wizard.runner.Next();
  ASSERT_EQ(s.wizard.Active(), "B");

  EXPECT_FALSE(s.wizard.runner.Next());
  EXPECT_EQ(s.b.nexts, 0);
  s.b.onSetActive = nullptr;
  s.a.onSetActive = [](ProbePage& p) { p.Post(kButtonNext); };
  ASSERT_TRUE(s.wizard.runner.Back());
  ASSERT_EQ(s.wizard.Active(), "A");
  EXPECT_FALSE(s.wizard.runner.Back());
  EXPECT_FALSE(s.wizard.runner.Finish());
  EXPECT_EQ(s.a.backs, 0);
  EXPECT_EQ(s.wizard.Active(), "A");
}

TEST(WizardRunner, MovesOnZeroAndStaysOnMinusOne) {
  ProbeSheet s;
  s.ToA();
  s.a.onNext = [] { return kStay; };

  EXPECT_TRUE(s.wizard.runner.Next());
  EXPECT_EQ(s.wizard.Active(), "A");
  EXPECT_EQ(s.a.killActives, 0);
  EXPECT_EQ(s.b.activations, 0);

  s.a.onNext = [] { return kMove; };
  EXPECT_TRUE(s.wizard.runner.Next());
  EXPECT_EQ(s.wizard.Active(), "B");
  EXPECT_EQ(s.a.killActives, 1);
  EXPECT_EQ(s.b.activations, 1);

  s.b.onBack = [] { return kStay; };
  EXPECT_TRUE(s.wizard.runner.Back());
  EXPECT_EQ(s.wizard.Active(), "B");
  s.b.onBack = [] { return kMove; };
  EXPECT_TRUE(s.wizard.runner.Back());
  EXPECT_EQ(s.wizard.Active(), "A");
  EXPECT_EQ(s.a.activations, 2);
}

TEST(WizardRunner, FinishClosesOnlyWhenThePageAgrees) {
  ProbeSheet s;
  s.ToA();
  s.wizard.runner.Next();
  s.b.onFinish = [] { return false; };

  EXPECT_TRUE(s.wizard.runner.Finish());
  EXPECT_FALSE(s.wizard.runner.Closed());

  s.b.onFinish = [] { return true; };
  EXPECT_TRUE(s.wizard.runner.Finish());
  EXPECT_TRUE(s.wizard.runner.Closed());
  EXPECT_EQ(s.b.killActives, 1);
}

TEST(WizardRunner, CancelClosesFromAnyPageAndNothingRunsAfterIt) {
  ProbeSheet s;
  s.a.onSetActive = [](ProbePage& p) {
    p.Post(kButtonBack | kButtonNext | kButtonFinish);
    p.StartTimer(1);
  };
  s.ToA();

  s.wizard.runner.Cancel();

  EXPECT_TRUE(s.wizard.runner.Closed());
  EXPECT_EQ(s.a.killActives, 1);
  EXPECT_FALSE(s.wizard.runner.Next());
  EXPECT_FALSE(s.wizard.runner.Back());
  EXPECT_FALSE(s.wizard.runner.Finish());
  s.wizard.runner.Tick();
  s.wizard.runner.KeyDown(0x44);
  EXPECT_TRUE(s.a.timers.empty());
  EXPECT_EQ(s.a.nexts + s.a.backs, 0);
}

TEST(WizardRunner, HonoursACloseRequestOnceTheHandlerHasReturned) {
  ProbeSheet s;
  s.ToA();
  bool handlerFinished = false;
  s.a.onNext = [&] {
    ISheetWindow* window = s.machine.Engine().m_hSheetWnd;
    window->ShowMessage("管理者権限が必要です。", "ZR-77Q5K", MessageIcon::Error);
    window->PostClose();
    EXPECT_FALSE(s.wizard.runner.Closed());
    handlerFinished = true;
    return kMove;
  };

  EXPECT_TRUE(s.wizard.runner.Next());

  EXPECT_TRUE(handlerFinished);
  EXPECT_TRUE(s.wizard.runner.Closed());
  EXPECT_EQ(s.b.activations, 0);
  EXPECT_EQ(s.wizard.view.messages, std::vector<std::string>{"ZR-77Q5K: 管理者権限が必要です。"});
}

TEST(WizardRunner, DeliversTicksOnlyToTheActivePagesRunningTimers) {
  ProbeSheet s;
  s.a.onSetActive = [](ProbePage& p) {
    p.Post(kButtonNext);
    p.StartTimer(1);
    p.StartTimer(2);
  };
  // The first timer's message stops the second before its turn.
  s.a.onTimer = [](ProbePage& p, int id) {
    if (id == 1) p.StopTimer(2);
  };
  s.ToA();

  s.wizard.runner.Tick();
  s.wizard.runner.Tick();
  EXPECT_EQ(s.a.timers, (std::vector<int>{1, 1}));

  s.wizard.runner.Next();
  ASSERT_EQ(s.wizard.Active(), "B");
  s.wizard.runner.Tick();
  EXPECT_EQ(s.a.timers, (std::vector<int>{1, 1}));
  EXPECT_TRUE(s.b.timers.empty());
}

TEST(WizardRunner, ShowsTheCheckAndRadioControlsOnlyWhereTheTemplateHasThem) {
  InstallMachine m(kWinXp);
  Wizard w(m.Engine(), 0);

  EXPECT_FALSE(w.runner.SetCheck(1007, true));
  EXPECT_FALSE(w.runner.SelectRadio(1001));
  EXPECT_TRUE(w.runner.SelectRadio(1008));
  EXPECT_EQ(w.Checked(1007), 0);
  EXPECT_EQ(w.Checked(1008), 1);
}

}  // namespace
}  // namespace zr::testing

#include "app/flow_run.h"

#include "app/drv_sheet.h"

namespace zr {
namespace {

// Enough for every page of either flow and the detection page's whole watch.
constexpr int kMostSteps = 200;
constexpr int kModemBox = 1001;
constexpr int kLanBox = 1002;

// What the pages left in the wizard state.
void ReadWizardState(const CRegEdit& engine, FlowOutcome& out) {
  const WizardState& state = engine.Wizard();
  out.winKind = engine.WinKind();
  out.osName = std::string(engine.OsName().view());
  out.modemWord = state.m_nModemDetect;
  out.lanWord = state.m_nLanDetect;
  out.modemPlan = state.m_nModemPlan;
  out.lanPlan = state.m_nLanPlan;
  out.installPlan = state.m_nInstallPlan;
}

// Passes message boxes on and notes that one was shown: the flows show only
// the access-error message.
class NotingView final : public IRunnerView {
 public:
  explicit NotingView(IRunnerView& next) : next_(next) {}
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
    shown = true;
    next_.ShowMessage(text, caption, icon);
  }
  bool shown = false;

 private:
  IRunnerView& next_;
};

const char* WhatNextDoes(const CDrvSheet& sheet, const CPage& page) {
  if (&page == &sheet.m_page1) return "looking for the device's drivers";
  if (&page == &sheet.m_page3) return "removing the drivers";
  if (&page == &sheet.m_page10) return "looking for the drivers and staging the missing ones";
  return "going on";
}

}  // namespace

bool AnythingPlanned(const FlowOutcome& outcome, const FlowChoice& choice) {
  if (choice.install) return outcome.installPlan != 0;
  return outcome.modemPlan > 0 || outcome.lanPlan > 0;
}

FlowOutcome RunFlow(CRegEdit& engine, const FlowChoice& choice, IRunnerView& view, bool finish,
                    const std::function<void(std::string_view)>& progress) {
  const auto tell = [&](std::string_view what) {
    if (progress) progress(what);
  };
  engine.Wizard().m_nWizardMode = choice.install ? kWizardModeInstall : kWizardModeUninstall;
  engine.CheckWindowsVersion();
  FlowOutcome outcome;
  NotingView noting(view);
  {
    CDrvSheet sheet(engine);
    WizardRunner runner(sheet, noting);
    runner.Start();
    if (!choice.install && !runner.Closed()) {
      // The USB-LAN box is hidden: set as the page would read it.
      runner.Control(runner.Active(), kModemBox).checked = choice.modem ? 1 : 0;
      runner.Control(runner.Active(), kLanBox).checked = choice.lan ? 1 : 0;
    }
    bool waiting = false;
    for (int step = 0; step < kMostSteps && !runner.Closed(); ++step) {
      const CPage* page = &runner.Active();
      if (runner.Buttons() & kButtonNext) {
        if (!waiting) tell(WhatNextDoes(sheet, *page));
        runner.Next();
        if (runner.Closed() || &runner.Active() != page) {
          outcome.pagesPassed += runner.Closed() ? 0 : 1;
          waiting = false;
          continue;
        }
        // The page waits for something (the plugged-in device): let its
        // timers run, as they would while nobody plugs it in.
        if (runner.ActiveTimers().empty()) break;
        if (!waiting) tell("waiting for the device to be plugged in");
        waiting = true;
        runner.Tick();
      } else if ((runner.Buttons() & kButtonFinish) && finish) {
        tell("finishing");
        outcome.finished = runner.Finish();
        break;
      } else {
        break;
      }
    }
  }
  ReadWizardState(engine, outcome);
  outcome.accessError = noting.shown;
  return outcome;
}

}  // namespace zr

#include "app/exit_codes.h"

#include <algorithm>

#include "app/flow_report.h"
#include "platform/win_codes.h"

namespace zr {

FlowExit ExitCodeOf(const FlowReport& report) {
  const FlowOutcome& outcome = report.outcome;
  const bool refused = outcome.accessError ||
                       std::any_of(report.refusals.begin(), report.refusals.end(),
                                   [](const safety::Change& c) { return c.refusal == win::kAccessDenied; });
  if (report.choice.install) {
    // An unsupported Windows offers only Finish on the start page.
    if (outcome.pagesPassed == 0) return kFlowUnsupported;
    if (outcome.installPlan == 0) return kFlowNothingFound;
    return refused ? kFlowAccessRefused : kFlowDone;
  }
  if ((report.choice.modem && outcome.modemPlan == -4) || (report.choice.lan && outcome.lanPlan == -4))
    return kFlowUnsupported;
  if (!AnythingPlanned(outcome, report.choice)) return kFlowNothingFound;
  if (refused) return kFlowAccessRefused;
  return report.rescan.items.empty() ? kFlowDone : kFlowLeftOver;
}

}  // namespace zr

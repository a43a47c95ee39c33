#include "app/exit_codes.h"

#include <algorithm>

#include "app/flow_report.h"
#include "platform/win_codes.h"

namespace zr {

FlowExit ExitCodeOf(const FlowReport& report) {
  const FlowOutcome& outcome = report.outcome;
  if (report.choice.install) {
    // An unsupported Windows offers only Finish on the start page.
    if (outcome.pagesPassed == 0) return kFlowUnsupported;
    if (outcome.installPlan == 0) return kFlowNothingFound;
    const bool refused = std::any_of(report.refusals.begin(), report.refusals.end(),
                                     [](const safety::Change& c) { return c.refusal == win::kAccessDenied; });
    return refused ? kFlowAccessRefused : kFlowDone;
  }
  if ((report.choice.modem && outcome.modemPlan == -4) || (report.choice.lan && outcome.lanPlan == -4))
    return kFlowUnsupported;
  if (!AnythingPlanned(outcome, report.choice)) return kFlowNothingFound;
  // The wizard's access-error message comes with any failed deletion (a key
  // beyond the ten-key bound too): the rescan tells what was refused.
  const auto& left = report.rescan.items;
  if (std::any_of(left.begin(), left.end(), [](const Leftover& item) { return item.refused; }))
    return kFlowAccessRefused;
  return left.empty() ? kFlowDone : kFlowLeftOver;
}

}  // namespace zr

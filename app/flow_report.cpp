#include "app/flow_report.h"

#include <algorithm>

#include "engine/reg_edit.h"
#include "safety/overlay_platform.h"
#include "safety/recording_platform.h"

namespace zr {
namespace {

class QuietView final : public IRunnerView {
 public:
  void ShowMessage(std::string_view, std::string_view, MessageIcon) override {}
};

void Collect(FlowReport& report, const safety::ChangeTracker& tracker) {
  report.changes = tracker.Changes();
  report.refusals = tracker.Refusals();
  report.restart = tracker.RestartRequested();
}

}  // namespace

bool RemovedAnything(const std::vector<safety::Change>& changes) {
  return std::any_of(changes.begin(), changes.end(), [](const safety::Change& c) {
    return c.kind == safety::ChangeKind::kKeyDeleted || c.kind == safety::ChangeKind::kFileDeleted ||
           c.kind == safety::ChangeKind::kValueDeleted;
  });
}

FlowReport PreviewFlow(IPlatform& machine, const FlowChoice& choice, const Progress& progress) {
  FlowReport report;
  report.choice = choice;
  report.codePage = machine.System().AnsiCodePage();
  safety::CopyOnWritePlatform overlay(machine);
  {
    CRegEdit engine(overlay);
    QuietView quiet;
    report.outcome = RunFlow(engine, choice, quiet, true, progress);
  }  // the engine's end deletes its work file, in the overlay
  Collect(report, overlay);
  report.rescan = Rescan(overlay, choice, report.refusals);
  return report;
}

FlowReport RunRecordedFlow(IPlatform& machine, const FlowChoice& choice, IRunnerView& view, const Progress& progress) {
  FlowReport report;
  report.preview = false;
  report.choice = choice;
  report.codePage = machine.System().AnsiCodePage();
  safety::RecordingPlatform recording(machine);
  {
    CRegEdit engine(recording);
    report.outcome = RunFlow(engine, choice, view, true, progress);
  }
  Collect(report, recording);
  if (progress) progress("looking again for what is left");
  report.rescan = Rescan(machine, choice, report.refusals);
  return report;
}

}  // namespace zr

// The chosen flow's changes, before it runs (the preview, over a
// copy-on-write overlay) or as it ran (recorded on the way to the machine),
// and the rescan after it: detection again on the result, and what of the
// device is still there, and why.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/flow_run.h"
#include "platform/platform.h"
#include "safety/journal_record.h"

namespace zr {

// Something of the device that is still there after the removal.
struct Leftover {
  std::string what;      // "key", "value", "file", "COM port", "detection"
  std::string path;      // in the machine's code page
  std::string reason;    // why the removal left it (UTF-8)
  bool refused = false;  // because the system refused the change
};

struct RescanResult {
  int modemWord = 0;
  int lanWord = 0;
  std::vector<Leftover> items;
};

struct FlowReport {
  bool preview = true;
  FlowChoice choice;
  FlowOutcome outcome;
  std::vector<safety::Change> changes;
  std::vector<safety::Change> refusals;
  bool restart = false;
  RescanResult rescan;
  unsigned codePage = 0;
};

using Progress = std::function<void(std::string_view)>;

// The flow over an overlay of `machine`: the machine is not changed.
FlowReport PreviewFlow(IPlatform& machine, const FlowChoice& choice, const Progress& progress = {});

// The flow on `machine` itself, its changes recorded on the way; `view`
// shows the message boxes as the wizard shows them.
FlowReport RunRecordedFlow(IPlatform& machine, const FlowChoice& choice, IRunnerView& view,
                           const Progress& progress = {});

// A key, value or file was deleted.
bool RemovedAnything(const std::vector<safety::Change>& changes);

// Detection again on `result` (through an overlay: it writes nothing), and
// what is left, told from the changes the run was refused and from the
// device's own keys.
RescanResult Rescan(IPlatform& result, const FlowChoice& choice, const std::vector<safety::Change>& refusals);

}  // namespace zr

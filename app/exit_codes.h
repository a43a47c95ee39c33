// The programs' exit codes for runs without the wizard's pages (the Linux
// program's unattended runs and preview, the Windows program's /report).
// 1 to 3 keep the scripted mode's meanings; the others tell the outcomes
// apart as a caller needs them: all are below 256.
#pragma once

namespace zr {

struct FlowReport;

enum FlowExit {
  kFlowDone = 0,      // done; the restart was requested as Finish does
  kFlowBadInput = 1,  // an unusable machine image or command line
  kFlowScriptError = 2,
  kFlowExpectFailed = 3,
  kFlowNothingFound = 4,   // nothing of the device (install: nothing to stage)
  kFlowAccessRefused = 5,  // a change was refused: administrator rights needed
  kFlowUnsupported = 6,    // this Windows is not supported
  kFlowLeftOver = 7,       // done, but the rescan still finds some of the device
};

FlowExit ExitCodeOf(const FlowReport& report);

}  // namespace zr

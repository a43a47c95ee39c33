// A flow report as people read it (UTF-8 lines) and as tools read it (JSON).
#pragma once

#include <string>

#include "app/flow_report.h"

namespace zr {

std::string ReportText(const FlowReport& report);
// The rescan's part of the text: "Rescan: ..." and a line for each leftover.
std::string RescanText(const RescanResult& rescan, unsigned codePage);
std::string ReportJson(const FlowReport& report);

// The detection finding that led to a plan, and the line the detected-drivers
// page shows for it.
std::string FindingOf(int winKind, bool lanSide, int plan);

}  // namespace zr

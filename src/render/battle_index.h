// The battle index at the head of the report: one row per battle with its
// winner, and a total row, in a classic report's `format`.
#pragma once

#include <string>
#include <vector>

#include "render/report_format.h"
#include "scoring/season.h"

namespace vexlane {

std::string BattleIndexSection(const std::vector<BattleSummary>& summaries,
                               ReportFormat format);

}  // namespace vexlane

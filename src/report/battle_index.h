// The battle index at the head of the report: one row per battle with its
// winner, and a total row.
#pragma once

#include <string>
#include <vector>

#include "scoring/players.h"

namespace vexlane {

std::string BattleIndexSection(const std::vector<BattleSummary>& summaries,
                               bool html);

}  // namespace vexlane

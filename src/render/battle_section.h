// One battle's section of the classic report's results: the stats.txt form,
// the combo battle text form or its HTML twin.
#pragma once

#include <string>

#include "render/report_format.h"
#include "scoring/season.h"

namespace vexlane {

// Appends the section of `battle` in `format` to `*out`.
void AppendBattleSection(const ScoredBattle& battle, ReportFormat format,
                         std::string* out);

}  // namespace vexlane

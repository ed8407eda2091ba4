// The tail of the report: overall scores and battles-by tables (or, in a
// stats.txt-kind text report, the total-time tables) and the footer.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "results/records.h"

namespace vexlane {

// The program's home page, named in every report's footer.
std::string_view HomePage();

// points / battles with two decimals, truncated: 7 and 3 give "2.33".
// `battles` must be above 0.
std::string AverageText(std::uint32_t points, std::uint32_t battles);

// Builds the tail. Reorders `*scores` (and in the stats.txt kind adds the
// missing-battle penalty to each total). With `interactive`, the tables are
// also copied to `console`.
std::string OverallSections(std::vector<PlayerScore>* scores, bool interactive,
                            bool html, bool stats_kind,
                            const std::vector<BattleSummary>& summaries,
                            std::ostream& console);

}  // namespace vexlane

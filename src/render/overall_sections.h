// The sections at the end of the classic report: the overall scores and
// battles-by tables, or in a stats.txt-kind text report the total-time
// tables, and the footer. They render orders that scoring has made.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "render/report_format.h"
#include "scoring/season.h"

namespace vexlane {

// The program's home page, named in every report's footer.
std::string_view HomePage();

// The average points per battle with two decimals, truncated: 7 points in
// 3 battles give "2.33".
std::string AverageText(const PlayerScore& score);

// The overall scores heading and a row for every player with points, in
// `points_order`, as text or, for kHtml, as HTML.
void AppendOverallScores(const std::vector<PlayerScore>& scores,
                         const PlayerOrder& points_order, ReportFormat format,
                         std::string* out);

// The battles-by table (closing the overall scores table in HTML): a row
// for every player who started a battle, in `started_order`, as text or,
// for kHtml, as HTML.
void AppendBattlesBy(const std::vector<PlayerScore>& scores,
                     const PlayerOrder& started_order, ReportFormat format,
                     std::string* out);

// The stats.txt kind's two tables: every player's penalised total, and the
// sum of the winning times.
void AppendTotalTimes(const std::vector<PlayerScore>& scores,
                      const std::vector<PenalisedTotal>& totals,
                      const TimeEntry& winners_total, std::string* out);

// The footer with the home page, linked for kHtml.
void AppendFooter(ReportFormat format, std::string* out);

}  // namespace vexlane

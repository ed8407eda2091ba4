// Ranks and scores one battle, appends its section to the results text and
// updates the run's player scores and battle summaries.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "parse/time_entry.h"
#include "results/records.h"

namespace vexlane {

// What the report looks like; fixed for the whole run.
struct ReportKind {
  bool html = false;
  bool stats_kind = false;  // text only: the "stats.txt" kind
};

// The collections that live for the whole run and grow with each battle.
struct RunCollections {
  std::string results;
  std::vector<PlayerScore> scores;
  std::vector<BattleSummary> summaries;
  PlayerIndex player_index;  // valid while `scores` is only appended to
};

// The battle being closed, as the log scan saw it.
struct BattleInfo {
  int event = 0;
  std::string_view level;
  std::string_view by;  // the nick credited with starting it; may be empty
  std::string_view start_stamp;
  std::string_view end_stamp;
};

// Keeps only each nick's last posted entry (exact nick comparison), in the
// order of those last posts.
void KeepLastPerNick(std::vector<TimeEntry>* times);

// The exchange sort that ranks the entries best first. Ties end up in the
// order this exact sequence of swaps leaves them, which the reports rely on.
void RankEntries(std::vector<TimeEntry>* times);

// The minutes between two hh:mm stamps (past midnight wraps), or 0 when
// either stamp is 7 characters or shorter.
int BattleLengthMinutes(std::string_view start, std::string_view end);

// Scores the battle in `*times` (reduced, ranked and given points in place)
// and records it in `*run`. When `interactive`, the ranking is also shown on
// `console`.
void WriteBattleResults(std::vector<TimeEntry>* times, int extra_points,
                        const BattleInfo& battle, const ReportKind& kind,
                        bool interactive, RunCollections* run,
                        std::ostream& console);

}  // namespace vexlane

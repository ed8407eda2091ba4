// Scoring of one found battle: each nick's last post, the ranking and the
// points. Pure functions over values: no text, no streams.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "log/battle_finder.h"
#include "log/time_entry.h"

namespace vexlane {

// One battle ranked and scored.
struct ScoredBattle {
  int event = 0;
  std::string level;
  std::string link;     // the link that started it; may be empty
  std::string starter;  // the nick credited with starting it; may be empty
  std::string start_stamp;
  std::string end_stamp;
  std::string date;  // "2024-11-12", or empty when the log gives none
  std::vector<TimeEntry> ranked;  // one entry per nick, best first, points set
};

// Keeps only each nick's last posted entry (exact nick comparison), in the
// order of those last posts.
void KeepLastPerNick(std::vector<TimeEntry>* times);

// The exchange sort that ranks the entries best first. Ties end up in the
// order this exact sequence of swaps leaves them, which the reports rely on.
void RankEntries(std::vector<TimeEntry>* times);

// The extra points for each battle's winner that the dialog and -p accept.
constexpr int kMinExtraPoints = 0;
constexpr int kMaxExtraPoints = 1000;

// Ranks the battle's times and gives n points to the winner of n entries,
// down to 1 for the last, plus `extra_points` for the winner.
ScoredBattle ScoreBattle(FoundBattle&& battle, int extra_points);

// The minutes between two hh:mm stamps (past midnight wraps), or 0 when
// either stamp is 7 characters or shorter.
int BattleLengthMinutes(std::string_view start, std::string_view end);

// The length the reports show: BattleLengthMinutes when it lies in 1..60,
// else 0 (none shown).
int ShownLengthMinutes(const ScoredBattle& battle);

// The starter the reports name: empty for an announcing bot or nobody.
std::string_view ShownStarter(const ScoredBattle& battle);

}  // namespace vexlane

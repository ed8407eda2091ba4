// The run's standings: what every scored battle adds to the players' scores
// and the battle summaries, and the orderings the end-of-run sections show.
#pragma once

#include <vector>

#include "scoring/battle_scoring.h"
#include "scoring/players.h"

namespace vexlane {

struct Standings {
  std::vector<PlayerScore> scores;     // in the order players were first met
  std::vector<BattleSummary> battles;  // in event order
  PlayerIndex player_index;            // valid while `scores` only grows
};

// Adds the battle's points, wins, battles and totals to its players, counts
// its starter (whatever nick that is, an empty one or a bot included) and
// appends its summary.
void AddToStandings(const ScoredBattle& battle, Standings* standings);

// The overall scores order: more points first, then more wins; ties stay as
// the exchange sort leaves them.
std::vector<PlayerScore> ByPoints(const std::vector<PlayerScore>& scores);

// The battles-by order, sorted from `by_points` by battles started only.
std::vector<PlayerScore> ByBattlesStarted(std::vector<PlayerScore> by_points);

// The total-time order: each total raised by 10 minutes for every battle of
// the report the player has no time in (never below zero), smallest first.
std::vector<PlayerScore> ByPenalisedTotal(
    const std::vector<PlayerScore>& scores, std::size_t battles_in_report);

// The sum of every battle's winning entry.
TimeEntry WinnersTotal(const std::vector<BattleSummary>& battles);

}  // namespace vexlane

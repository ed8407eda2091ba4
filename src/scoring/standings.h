// The run's standings: what every scored battle adds to the players' scores
// and the battle summaries, and the orderings the end-of-run sections show.
#pragma once

#include <cstdint>
#include <vector>

#include "scoring/battle_scoring.h"
#include "scoring/players.h"

namespace vexlane {

struct Standings {
  std::vector<PlayerScore> scores;     // in the order players were first met
  std::vector<BattleSummary> battles;  // in event order
  PlayerIndex player_index;            // valid while `scores` only grows
  // The battle added last: the player (position in `scores`) of each of
  // its ranked entries, so that what else counts that battle need not
  // look its nicks up again.
  std::vector<std::size_t> entry_players;
};

// Adds the battle's points, wins, battles and totals to its players, counts
// its starter (whatever nick that is, an empty one or a bot included) and
// appends its summary. Sets `entry_players` for it.
void AddToStandings(const ScoredBattle& battle, Standings* standings);

// An order of the players: positions in Standings::scores.
using PlayerOrder = std::vector<std::size_t>;

// The overall scores order: more points first, then more wins; ties stay as
// the exchange sort leaves them.
PlayerOrder PointsOrder(const std::vector<PlayerScore>& scores);

// The battles-by order, sorted from `points_order` by battles started only.
PlayerOrder BattlesStartedOrder(const std::vector<PlayerScore>& scores,
                                PlayerOrder points_order);

// A player's total as the total-time table shows it.
struct PenalisedTotal {
  std::size_t player;  // position in Standings::scores
  TimeEntry total;     // its name is left empty
};

// The minutes a player's total is raised by for each battle of the report
// without a time of theirs.
constexpr std::uint32_t kPenaltyMinutesPerMissingBattle = 10;

// The total-time order: each total raised by the penalty for every battle of
// the report the player has no time in (never below zero), smallest first.
std::vector<PenalisedTotal> PenalisedTotals(
    const std::vector<PlayerScore>& scores, std::size_t battles_in_report);

// The sum of every battle's winning entry.
TimeEntry WinnersTotal(const std::vector<BattleSummary>& battles);

}  // namespace vexlane

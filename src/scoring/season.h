// The season: every battle scored, the standings (overall and by month),
// the ratings, the level records and personal bests, each player's history
// and head to head. A SeasonBuilder gathers it battle by battle as the
// scan finds them; what is gathered is never worked out again, and the
// renderers only lay it out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "log/battle_finder.h"
#include "scoring/battle_scoring.h"
#include "scoring/rating.h"
#include "scoring/records.h"
#include "scoring/standings.h"

namespace vexlane {

// The standings of one month ("2024-11") of dated battles.
struct MonthStandings {
  std::string month;
  Standings standings;
};

// What a season gathers beyond the standings; each costs time on a large
// log, so a run asks only for what its output shows.
struct SeasonParts {
  bool battles = false;    // keep every scored battle
  bool ratings = false;    // rate every battle
  bool records = false;    // level records and personal bests
  bool months = false;     // standings by month
  bool histories = false;  // each player's battles and head to head
};

struct Season {
  std::vector<ScoredBattle> battles;  // when kept
  Standings standings;
  SeasonRatings ratings;  // of every battle, by the standings' players
  SeasonRecords records;
  std::vector<MonthStandings> months;    // in order; undated battles: none
  std::vector<PlayerHistory> histories;  // parallel to standings.scores
};

// Builds a season in two steps a battle, so that the second may run on
// another thread while the scan goes on: Score on the scan's thread, then
// TakeIn, in the same order, wherever the caller likes. Finish gathers
// what is worked out from the whole season.
class SeasonBuilder {
 public:
  explicit SeasonBuilder(SeasonParts parts);

  // Scores `*found` (moving from it) with `extra_points` for its winner
  // and adds it to the standings. The standings' players of its ranked
  // entries are then entry_players().
  ScoredBattle Score(FoundBattle* found, int extra_points);
  std::span<const std::size_t> entry_players() const {
    return season_.standings.entry_players;
  }
  std::size_t player_count() const { return season_.standings.scores.size(); }

  // Rates `*battle` and gathers its records; keeps it (moving from it)
  // when the season keeps its battles. `players` and `player_count` are
  // what entry_players() and player_count() were after its Score.
  void TakeIn(ScoredBattle* battle, std::span<const std::size_t> players,
              std::size_t player_count);

  // Works out the records, months and histories of the battles taken in.
  // Follow mode calls it again after more battles.
  void Finish();

  const Season& season() const { return season_; }
  // The EntryMark bits of every entry taken in, where records are
  // gathered: those of the last battle are its last entries.
  std::span<const std::uint8_t> entry_marks() const { return records_.marks(); }
  const SeasonParts& parts() const { return parts_; }

 private:
  SeasonParts parts_;
  Season season_;
  RecordsBuilder records_;
};

// The season's standings for every month with a dated battle, in order.
std::vector<MonthStandings> MonthlyStandings(
    std::span<const ScoredBattle> battles);

// The overall scores rows as the report shows them: players with points,
// best first.
PlayerOrder ScoredPlayers(const Standings& standings);

// The average the report shows, as a number: truncated to two decimals.
double AverageValue(const PlayerScore& score);

// The points of each of `players` (positions in the standings' scores)
// summed battle by battle over every nick that names the player: one total
// after every `every`-th battle (the first included) and after the last.
std::vector<std::vector<std::uint64_t>> RunningPoints(
    const Season& season, const PlayerOrder& players, std::size_t every);

// The battles RunningPoints(season, ..., every) gives a total after: every
// `every`-th from the first, and the last.
std::vector<const ScoredBattle*> ChartedBattles(const Season& season,
                                                std::size_t every);

}  // namespace vexlane

// The season: every battle scored, the standings (overall and by month),
// the ratings, the level records and personal bests, each player's history
// and head to head. A SeasonBuilder gathers it battle by battle as the
// scan finds them; what is gathered is never worked out again, and the
// renderers only lay it out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
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
  bool movement = false;   // each player's place before the latest night
};

struct Season {
  std::vector<ScoredBattle> battles;  // when kept
  Standings standings;
  SeasonRatings ratings;  // of every battle, by the standings' players
  SeasonRecords records;
  std::vector<MonthStandings> months;    // in order; undated battles: none
  std::vector<PlayerHistory> histories;  // parallel to standings.scores
  // The first battle of the latest battle night (see NightTracker), and
  // each player's place in the overall scores before it: parallel to
  // standings.scores, 0 where the player had no points yet.
  std::size_t latest_night = 0;
  std::string latest_night_date;  // NightOf its battles; empty: none
  std::vector<std::uint32_t> places_before;
};

// The battle night of a battle: its date, or where it started before
// kNightEndsHour (its stamp's clock) the date before, so that an evening's
// battles after midnight are of that evening. Empty without a date.
inline constexpr int kNightEndsHour = 6;
std::string NightOf(const ScoredBattle& battle);

// The latest battle night, followed as the battles come without keeping
// them: the battles of the last battle's night, and where a battle of the
// night has no date only the last kUndatedNight of them. It keeps what each
// of the night's battles added to its players' points and wins.
inline constexpr std::size_t kUndatedNight = 10;
class NightTracker {
 public:
  // The next battle of the season, `players` its entries' players.
  void Add(const ScoredBattle& battle, std::span<const std::size_t> players);

  // The position of the night's first battle in the season.
  std::size_t first() const { return first_; }
  // The night's date (NightOf its battles); empty without one.
  const std::string& night() const { return date_; }

  // Each player's place among ScoredPlayers(standings) before the night,
  // by position in standings.scores (the standings of the battles added);
  // 0 where the player had no points before it.
  std::vector<std::uint32_t> PlacesBefore(const Standings& standings) const;

 private:
  struct Entry {
    std::size_t player;
    std::uint32_t points;
    bool won;
  };
  std::string date_;
  bool undated_ = false;
  std::deque<std::size_t> sizes_;  // each battle of the night: its entries
  std::deque<Entry> entries_;
  std::size_t first_ = 0;
  std::size_t battles_ = 0;
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
  NightTracker night_;
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

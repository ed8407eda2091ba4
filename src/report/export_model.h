// What the machine-readable and web outputs are made from: every scored
// battle, the standings, the ratings and the run's settings, and what
// those outputs show worked out from them, with the numbers they share
// with the classic report. The renderers only lay it out.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "scoring/battle_scoring.h"
#include "scoring/rating.h"
#include "scoring/records.h"
#include "scoring/standings.h"

namespace vexlane {

struct ExportSettings {
  int extra_points = 1;
  bool automatic = true;
  std::vector<std::string> levels;  // level-by-level mode: asked, in order
  struct Log {
    std::string name;
    std::string format;  // "classic", "weechat", ...
  };
  std::vector<Log> logs;
  std::time_t made = 0;  // the report time
};

struct ExportModel {
  const std::vector<ScoredBattle>& battles;
  const Standings& standings;
  const SeasonRatings& ratings;  // of `battles`, by the standings' players
  const ExportSettings& settings;
  // The records of `battles`, where they were gathered as the battles
  // came; null: the renderers find them.
  const SeasonRecords* records;
};

// The model's records: its own, or found now into `*found`.
const SeasonRecords& RecordsOf(const ExportModel& model, SeasonRecords* found);

// The time as the report shows it, without its padding: "0:59,87",
// "12 apples", "" for an empty entry.
std::string ShownTime(const TimeEntry& e);

// How far behind the winner, in hundredths, where the report shows a
// difference (`rank` 0 is the winner); nullopt where it shows none.
std::optional<std::uint64_t> BehindWinner(const std::vector<TimeEntry>& ranked,
                                          std::size_t rank);

// That difference as the report shows it, "+0:02,24"; empty for none.
std::string ShownDifference(const std::vector<TimeEntry>& ranked,
                            std::size_t rank);

// The overall scores rows as the report shows them: players with points,
// best first.
PlayerOrder ScoredPlayers(const Standings& standings);

// A rating as the outputs show it, rounded to one decimal: "12.3", "-0.4",
// "0.0" (never "-0.0"). PutRating puts it at `at` (room for 48 characters)
// and returns its end.
std::string RatingText(double ordinal);
char* PutRating(char* at, double ordinal);

// The average the report shows, as a number: truncated to two decimals.
double AverageValue(const PlayerScore& score);

// The points of each of `players` (positions in the standings' scores)
// summed battle by battle over every nick that names the player: one total
// after every `every`-th battle (the first included) and after the last.
std::vector<std::vector<std::uint64_t>> RunningPoints(
    const ExportModel& model, const PlayerOrder& players, std::size_t every);

// The battles RunningPoints(model, ..., every) gives a total after: every
// `every`-th from the first, and the last.
std::vector<const ScoredBattle*> ChartedBattles(const ExportModel& model,
                                                std::size_t every);

// The standings of one month ("2024-11") of dated battles.
struct MonthStandings {
  std::string month;
  Standings standings;
};
// Every month with a dated battle, in order; undated battles are in none.
std::vector<MonthStandings> MonthlyStandings(const ExportModel& model);

}  // namespace vexlane

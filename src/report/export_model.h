// What the machine-readable and web outputs are made from: every scored
// battle, the standings, the ratings and the run's settings, with the
// numbers they share with the classic report.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "scoring/battle_scoring.h"
#include "scoring/rating.h"
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
};

// A time in hundredths of a second; nullopt for an entry of apples only.
std::optional<std::uint64_t> Hundredths(const TimeEntry& e);

// The time as the report shows it, without its padding: "0:59,87",
// "12 apples", "" for an empty entry.
std::string ShownTime(const TimeEntry& e);

// How far behind the winner, in hundredths, where the report shows a
// difference (`rank` 0 is the winner); nullopt where it shows none.
std::optional<std::uint64_t> BehindWinner(const std::vector<TimeEntry>& ranked,
                                          std::size_t rank);

// The starter the report names: empty for a bot or nobody.
std::string_view ShownStarter(const ScoredBattle& battle);

// The overall scores rows as the report shows them: players with points,
// best first.
PlayerOrder ScoredPlayers(const Standings& standings);

// A rating as the outputs show it, rounded to one decimal: "12.3", "-0.4",
// "0.0" (never "-0.0").
std::string RatingText(double ordinal);

// The average the report shows, as a number: truncated to two decimals.
double AverageValue(std::uint32_t points, std::uint32_t battles);

}  // namespace vexlane

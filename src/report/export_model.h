// What the machine-readable and web outputs are made from: every scored
// battle, the standings and the run's settings, with the numbers they
// share with the classic report.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "scoring/battle_scoring.h"
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

// The overall scores rows as the report shows them: players with points,
// best first.
PlayerOrder ScoredPlayers(const Standings& standings);

// The average the report shows, as a number: truncated to two decimals.
double AverageValue(const PlayerScore& score);

}  // namespace vexlane

// A season built battle by battle as the report builder builds it: each
// battle scored, added to the standings and rated.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "scoring/battle_scoring.h"
#include "scoring/rating.h"
#include "scoring/standings.h"

namespace vexlane::testing {

struct Season {
  std::vector<ScoredBattle> battles;
  Standings standings;
  SeasonRatings ratings;

  void Add(std::vector<TimeEntry> times, std::string date = "",
           std::string starter = "Ann", std::string level = "Pipe12") {
    FoundBattle b;
    b.event = static_cast<int>(battles.size()) + 1;
    b.level = std::move(level);
    b.starter = std::move(starter);
    b.date = std::move(date);
    b.times = std::move(times);
    battles.push_back(ScoreBattle(std::move(b), 0));
    AddToStandings(battles.back(), &standings);
    AddToRatings(battles.back(), standings, &ratings);
  }
};

}  // namespace vexlane::testing

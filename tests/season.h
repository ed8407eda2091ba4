// A season built battle by battle as the report builder builds it: each
// battle scored, added to the standings, rated and its records gathered.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "scoring/season.h"

namespace vexlane::testing {

class Season {
 public:
  void Add(std::vector<TimeEntry> times, std::string date = "",
           std::string starter = "Ann", std::string level = "Pipe12") {
    FoundBattle b;
    b.event = static_cast<int>(battles.size()) + 1;
    b.level = std::move(level);
    b.starter = std::move(starter);
    b.date = std::move(date);
    b.times = std::move(times);
    ScoredBattle scored = builder_.Score(&b, 0);
    builder_.TakeIn(&scored, builder_.entry_players(), builder_.player_count());
    finished_ = false;
  }

  // The season with everything it gathers from the battles added so far.
  const vexlane::Season& Whole() const {
    if (!finished_) builder_.Finish();
    finished_ = true;
    return builder_.season();
  }

 private:
  mutable SeasonBuilder builder_{{.battles = true,
                                  .ratings = true,
                                  .records = true,
                                  .months = true,
                                  .histories = true,
                                  .movement = true}};
  mutable bool finished_ = true;

 public:
  const std::vector<ScoredBattle>& battles = builder_.season().battles;
  const Standings& standings = builder_.season().standings;
  const SeasonRatings& ratings = builder_.season().ratings;
};

}  // namespace vexlane::testing

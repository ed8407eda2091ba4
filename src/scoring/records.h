// What a season's battles say beyond the points: the record on every
// level, each player's personal bests, and each player's history (places,
// rivals). Pure functions over the scored battles and the standings: no
// text, no streams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "scoring/battle_scoring.h"
#include "scoring/standings.h"

namespace vexlane {

// One time driven in the season.
struct DrivenTime {
  std::size_t battle = 0;  // position in the battles
  std::size_t rank = 0;    // position in that battle's ranked entries
  std::size_t player = 0;  // position in Standings::scores
  std::uint64_t hundredths = 0;
};

// The times driven on one level. Levels are the same when their names
// match ignoring ASCII case; entries of apples only hold no time.
struct LevelRecord {
  std::string name;         // as the first battle on it spelled it
  std::size_t battles = 0;  // battles held on it
  // Each time the record fell, oldest first: the first time driven on the
  // level, then every strictly better one. back() is the record; an equal
  // time later does not take it.
  std::vector<DrivenTime> progression;
  // The best times ever, a player's best only, best first; equal times in
  // the order they were driven. At most kBestTimesShown.
  std::vector<DrivenTime> best;
};

inline constexpr std::size_t kBestTimesShown = 10;

struct SeasonRecords {
  // Levels with at least one time, ordered by name ignoring ASCII case.
  std::vector<LevelRecord> levels;
  // Parallel to Standings::scores: each player's best time on every level
  // they drove a time on, as (position in `levels`, time), in levels order.
  std::vector<std::vector<std::pair<std::size_t, DrivenTime>>> personal_bests;
};

SeasonRecords FindRecords(std::span<const ScoredBattle> battles,
                          const Standings& standings);

// How a player fared against one other player in the battles both drove.
struct HeadToHead {
  std::size_t opponent = 0;  // position in Standings::scores
  std::uint32_t together = 0;
  std::uint32_t ahead = 0;   // battles the player finished ahead
  std::uint32_t behind = 0;  // battles the opponent finished ahead
};

struct PlayerHistory {
  // The battles the player drove in (positions in the battles, in order)
  // and the place (from 1) in each; a player with two nicks in one battle
  // counts at the better placed one.
  std::vector<std::size_t> battles;
  std::vector<std::uint32_t> places;
  // How often the player finished first, second and third.
  std::uint32_t firsts = 0;
  std::uint32_t seconds = 0;
  std::uint32_t thirds = 0;
  double average_place = 0;  // 0 without battles
  // The players met most often, most battles together first (ties: the
  // standings' order of first meeting), at most kRivalsShown.
  std::vector<HeadToHead> rivals;
};

inline constexpr std::size_t kRivalsShown = 5;

// Parallel to Standings::scores.
std::vector<PlayerHistory> PlayerHistories(
    std::span<const ScoredBattle> battles, const Standings& standings);

}  // namespace vexlane

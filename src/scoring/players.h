// The records a battle leaves for the end-of-run sections: one summary per
// battle and one running score per player, with the player-identity rule.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "log/time_entry.h"

namespace vexlane {

struct BattleSummary {
  std::string level;
  std::int32_t event = 0;
  std::int32_t players = 0;
  TimeEntry winner;  // the first-ranked entry, all zero when there was none
};

struct PlayerScore {
  std::string name;  // the nick that created the record
  std::int32_t points = 0;
  std::int32_t wins = 0;
  std::int32_t battles = 0;
  std::int32_t battles_started = 0;
  TimeEntry total;
};

// The per-player numbers every report shows, truncated and never rounded,
// from the counts read as unsigned: the average points per battle in
// hundredths (7 points in 3 battles: 233) and the wins as a whole
// percentage of the battles (2 of 3: 66). Both are 0 without battles.
std::uint64_t AverageHundredths(const PlayerScore& score);
std::uint64_t WinPercent(const PlayerScore& score);

// True when two nicks name the same player: their first four characters,
// upper-cased, are equal (a shorter nick is compared whole).
bool SamePlayer(std::string_view a, std::string_view b);

// The identity of a nick as one number: two nicks name the same player
// exactly when their keys are equal.
std::uint64_t PlayerKey(std::string_view nick);

// Finds the first record of a player in constant time, for a list that is
// only appended to: it maps each key to the first record that has it.
struct PlayerIndex {
  std::unordered_map<std::uint64_t, std::size_t> first;
  std::size_t covered = 0;  // records [0, covered) are in `first`
};
// Index of the first record of the player of `nick`, or scores.size().
std::size_t FindPlayer(const std::vector<PlayerScore>& scores,
                       std::string_view nick, PlayerIndex* index);

}  // namespace vexlane

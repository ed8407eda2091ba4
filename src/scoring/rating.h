// A skill rating from whom each player beat: Weng and Lin's Bayesian
// approximation of the Plackett-Luce model ("A Bayesian Approximation
// Method for Online Ranking", JMLR 12, 2011, Algorithm 4), every player a
// team of one. It is shown beside the classic points and never changes
// them. Functions over values: no text, no streams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "scoring/battle_scoring.h"
#include "scoring/players.h"
#include "scoring/standings.h"

namespace vexlane {

// A belief about a player's skill: a normal distribution. A new player
// starts at the model's prior.
struct Rating {
  double mu = 25.0;
  double sigma = 25.0 / 3.0;
};

// The rating shown: mu - 3 sigma, an estimate the skill is very likely
// above, so that a new player starts low and climbs with evidence.
double Ordinal(const Rating& rating);

// Updates the ratings of one battle's players: `ranks[k]` is the place of
// `players[k]`, smaller is better, equal places are a tie. The order the
// players are given in does not matter. With fewer than two players
// nothing changes.
void RateBattle(std::span<Rating> players, std::span<const std::size_t> ranks);

struct PlayerRating {
  Rating rating;
  std::int32_t battles = 0;  // battles it was rated in: of two players or more
  std::uint64_t last_battle = 0;  // the last battle it was met in, from 1
};

// Fewer rated battles than this and the rating is marked provisional.
inline constexpr std::int32_t kProvisionalBattles = 5;
bool Provisional(const PlayerRating& player);

// The rating as the pages show it: 40 (mu - 3 sigma) in whole points,
// rounded down and never below 0, so that a new player starts at 0 and a
// strong one reaches a thousand or more.
inline constexpr double kShownRatingScale = 40.0;
std::uint32_t ShownRating(double ordinal);

struct SeasonRatings {
  std::vector<PlayerRating> players;  // parallel to Standings::scores
  // The ordinal of each entry's player after the entry's battle: every
  // battle's entries, battles in order, entries in rank order.
  std::vector<double> after;
  std::uint64_t added = 0;  // battles added so far
};

// Rates the next battle of the season, the one last added to `standings`:
// a player is the standings' player of the entry's nick. Equal times or
// equal apples are a tie. A player with two nicks in one battle is rated
// on the better placed one.
void AddToRatings(const ScoredBattle& battle, const Standings& standings,
                  SeasonRatings* season);
// The same, with the standings' player of each of the battle's ranked
// entries (Standings::entry_players) and the number of the standings'
// players once it was added, for a rating made away from the standings.
void AddToRatings(const ScoredBattle& battle,
                  std::span<const std::size_t> entry_players,
                  std::size_t player_count, SeasonRatings* season);

// The players who drove in any battle, highest ordinal first; equal
// ordinals keep the overall scores order.
PlayerOrder RatingOrder(const SeasonRatings& ratings,
                        const std::vector<PlayerScore>& scores);

// The same players as the pages rank them by rating: those rated in at
// least kProvisionalBattles battles first, then the provisional ones, each
// part highest ordinal first.
PlayerOrder ShownRatingOrder(const SeasonRatings& ratings,
                             const std::vector<PlayerScore>& scores);

}  // namespace vexlane

#include "scoring/rating.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace vexlane {

namespace {

constexpr double kBeta = 25.0 / 6.0;   // the spread of one performance
constexpr double kKappa = 0.0001;      // the least share a variance keeps
constexpr double kTau = 25.0 / 300.0;  // uncertainty added before a battle

}  // namespace

double Ordinal(const Rating& rating) { return rating.mu - 3.0 * rating.sigma; }

void RateBattle(std::span<Rating> players, std::span<const std::size_t> ranks) {
  const std::size_t n = players.size();
  if (n < 2) return;
  // Working space, kept by each thread from battle to battle: a season
  // rates tens of thousands.
  thread_local std::vector<double> variance;
  thread_local std::vector<double> strength;
  thread_local std::vector<std::size_t> order;
  variance.resize(n);
  strength.resize(n);
  order.resize(n);
  // Skill can drift between battles: every variance grows by tau^2 first.
  double spread = 0;
  double top = players[0].mu;
  for (std::size_t k = 0; k < n; ++k) {
    variance[k] = players[k].sigma * players[k].sigma + kTau * kTau;
    spread += variance[k] + kBeta * kBeta;
    top = std::max(top, players[k].mu);
  }
  const double c = std::sqrt(spread);
  // exp(mu / c) only enters as ratios of sums of it; taken relative to the
  // highest mu it cannot overflow.
  for (std::size_t k = 0; k < n; ++k) {
    strength[k] = std::exp((players[k].mu - top) / c);
  }

  // The paper sums over every q placed as well as i or better. All q of
  // one place share C_q (the strengths of that place and the places below)
  // and A_q (how many share the place), so place by place
  //   sum of delta_qi / A_q          = 1 / A_i
  //   sum of (1 / A_q) e_i / C_q     = e_i * S1,    S1 = sum of 1 / C_g
  //   sum of (1 / A_q) (e_i / C_q)^2 = e_i^2 * S2,  S2 = sum of 1 / C_g^2
  // over the places g down to i's: a battle of n players costs n log n.
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return ranks[a] < ranks[b]; });
  struct Place {
    std::size_t begin;  // in `order`
    std::size_t end;
    double strength_from_here = 0;  // C_q of the place
  };
  thread_local std::vector<Place> places;
  places.clear();
  for (std::size_t begin = 0; begin < n;) {
    std::size_t end = begin + 1;
    while (end < n && ranks[order[end]] == ranks[order[begin]]) ++end;
    places.push_back({begin, end});
    begin = end;
  }
  double below = 0;
  for (auto place = places.rbegin(); place != places.rend(); ++place) {
    for (std::size_t k = place->begin; k < place->end; ++k) {
      below += strength[order[k]];
    }
    place->strength_from_here = below;
  }

  double s1 = 0;
  double s2 = 0;
  for (const Place& place : places) {
    s1 += 1.0 / place.strength_from_here;
    s2 += 1.0 / (place.strength_from_here * place.strength_from_here);
    const double tied = static_cast<double>(place.end - place.begin);
    for (std::size_t k = place.begin; k < place.end; ++k) {
      const std::size_t i = order[k];
      const double e = strength[i];
      const double v = variance[i];
      const double omega = v / c * (1.0 / tied - e * s1);
      const double gamma = std::sqrt(v) / c;
      const double delta = gamma * v / (c * c) * (e * s1 - e * e * s2);
      players[i].mu += omega;
      players[i].sigma = std::sqrt(v * std::max(1.0 - delta, kKappa));
    }
  }
}

bool Provisional(const PlayerRating& player) {
  return player.battles < kProvisionalBattles;
}

std::uint32_t ShownRating(double ordinal) {
  const double shown = std::floor(kShownRatingScale * ordinal);
  // Not a number, or beyond any season's reach: held at the ends.
  if (!(shown > 0)) return 0;
  return shown >= 1e9 ? 1'000'000'000u : static_cast<std::uint32_t>(shown);
}

void AddToRatings(const ScoredBattle& battle, const Standings& standings,
                  SeasonRatings* season) {
  AddToRatings(battle, standings.entry_players, standings.scores.size(),
               season);
}

void AddToRatings(const ScoredBattle& battle,
                  std::span<const std::size_t> player_of_entry,
                  std::size_t player_count, SeasonRatings* season) {
  std::vector<PlayerRating>& players = season->players;
  players.resize(player_count);
  const std::uint64_t stamp = ++season->added;
  const std::vector<TimeEntry>& ranked = battle.ranked;
  thread_local std::vector<std::size_t> rated_players;
  thread_local std::vector<Rating> ratings;
  thread_local std::vector<std::size_t> ranks;
  rated_players.clear();
  ratings.clear();
  ranks.clear();
  std::size_t rank = 0;
  for (std::size_t k = 0; k < ranked.size(); ++k) {
    // Ranked best first: an entry no worse than the one before shares its
    // place.
    if (k > 0 && Better(ranked[k - 1], ranked[k])) rank = k;
    const std::size_t i = player_of_entry[k];
    if (i == players.size() || players[i].last_battle == stamp) continue;
    players[i].last_battle = stamp;
    rated_players.push_back(i);
    ratings.push_back(players[i].rating);
    ranks.push_back(rank);
  }
  if (ratings.size() >= 2) {
    RateBattle(ratings, ranks);
    for (std::size_t j = 0; j < ratings.size(); ++j) {
      PlayerRating& p = players[rated_players[j]];
      p.rating = ratings[j];
      p.battles += 1;
    }
  }
  for (std::size_t i : player_of_entry) {
    season->after.push_back(
        Ordinal(i < players.size() ? players[i].rating : Rating{}));
  }
}

PlayerOrder RatingOrder(const SeasonRatings& ratings,
                        const std::vector<PlayerScore>& scores) {
  PlayerOrder order;
  for (std::size_t i : PointsOrder(scores)) {
    if (scores[i].battles > 0) order.push_back(i);
  }
  std::stable_sort(order.begin(), order.end(),
                   [&ratings](std::size_t a, std::size_t b) {
                     return Ordinal(ratings.players[a].rating) >
                            Ordinal(ratings.players[b].rating);
                   });
  return order;
}

PlayerOrder ShownRatingOrder(const SeasonRatings& ratings,
                             const std::vector<PlayerScore>& scores) {
  PlayerOrder order = RatingOrder(ratings, scores);
  std::stable_partition(order.begin(), order.end(), [&ratings](std::size_t p) {
    return !Provisional(ratings.players[p]);
  });
  return order;
}

}  // namespace vexlane

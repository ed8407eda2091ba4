#include "scoring/rating.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "season.h"
#include "test_util.h"

namespace vexlane {
namespace {

using testing::Post;

constexpr double kBeta = 25.0 / 6.0;
// A new player's variance once tau^2 is added before the battle.
constexpr double kNewVariance = 25.0 / 3 * 25.0 / 3 + 25.0 / 300 * 25.0 / 300;

void ExpectRating(const Rating& r, double mu, double sigma) {
  EXPECT_NEAR(r.mu, mu, 1e-9);
  EXPECT_NEAR(r.sigma, sigma, 1e-9);
}

// The paper's sums written out for a few battles of new players, where
// every exp(mu / c) is equal and each p = e_i / C_q is 1 over the number of
// players placed at q or below, and worked from them for one of players of
// different standing.
TEST(RateBattle, ByThePapersSums) {
  const double v = kNewVariance;
  std::vector<Rating> two(2);
  RateBattle(two, std::vector<std::size_t>{0, 1});
  double c = std::sqrt(2 * (v + kBeta * kBeta));
  // Omega = v/c (1 - 1/2) and -v/c (1/2); Delta = (sqrt(v)/c) v/c^2 (1/4).
  const double two_sigma =
      std::sqrt(v * (1 - std::sqrt(v) / c * v / c / c / 4));
  ExpectRating(two[0], 25 + v / c / 2, two_sigma);
  ExpectRating(two[1], 25 - v / c / 2, two_sigma);

  // A tie: one winner, two sharing second place (A = 2, C = 2e for them).
  // Omega of a tied player = v/c (-1/3 + (1 - 1/2)/2 - (1/2)/2).
  std::vector<Rating> three(3);
  RateBattle(three, std::vector<std::size_t>{0, 1, 1});
  c = std::sqrt(3 * (v + kBeta * kBeta));
  const double g = std::sqrt(v) / c * v / c / c;
  ExpectRating(three[0], 25 + 2 * v / c / 3, std::sqrt(v * (1 - g * 2 / 9)));
  ExpectRating(three[1], 25 - v / c / 3,
               std::sqrt(v * (1 - g * (2.0 / 9 + 1.0 / 4))));
  ExpectRating(three[2], three[1].mu, three[1].sigma);

  // Players of different standing, the favourite last.
  std::vector<Rating> players = {{30, 5}, {25, 25.0 / 3}, {20, 7}};
  RateBattle(players, std::vector<std::size_t>{2, 0, 1});
  ExpectRating(players[0], 27.982010862700616, 4.946808972778891);
  ExpectRating(players[1], 28.379384209821943, 8.139713164192395);
  ExpectRating(players[2], 21.570127750535761, 6.825225167549088);
}

TEST(RateBattle, OrderWithinAPlaceDoesNotMatter) {
  std::vector<Rating> given = {{30, 2}, {22, 6}, {27, 3}, {19, 8}, {25, 9}};
  std::vector<Rating> reversed(given.rbegin(), given.rend());
  RateBattle(given, std::vector<std::size_t>{3, 1, 1, 0, 1});
  RateBattle(reversed, std::vector<std::size_t>{1, 0, 1, 1, 3});
  for (std::size_t k = 0; k < given.size(); ++k) {
    EXPECT_NEAR(given[k].mu, reversed[4 - k].mu, 1e-12);
    EXPECT_NEAR(given[k].sigma, reversed[4 - k].sigma, 1e-12);
  }
}

TEST(RateSeason, StandingsPlayersTiesAndBattlesAlone) {
  testing::Season s;  // Zed starts every battle, drives none: never rated
  s.Add({Post("Ann", "59,00"), Post("Bobby", "1:02,00")}, "", "Zed");
  s.Add({Post("bobby", "1:00,00")}, "", "Zed");  // alone: nothing changes
  s.Add({Post("Cal", "7"), Post("BOBBIE", "1:00,00"), Post("Dee", "7"),
         Post("Bobby", "1:09,00")},
        "", "Zed");  // one player: the better entry counts
  const SeasonRatings& r = s.ratings;
  std::vector<Rating> first(2);
  RateBattle(first, std::vector<std::size_t>{0, 1});
  std::vector<Rating> third = {first[1], {}, {}};
  RateBattle(third, std::vector<std::size_t>{0, 1, 1});
  const std::vector<Rating> after = {first[0], first[1], first[1], third[0],
                                     third[0], third[1], third[2]};
  ASSERT_EQ(r.after.size(), after.size());
  for (std::size_t k = 0; k < after.size(); ++k) {
    EXPECT_NEAR(r.after[k], Ordinal(after[k]), 1e-12) << k;
  }
  const std::vector<PlayerRating>& p = r.players;  // Ann, Bobby, Zed, Dee, Cal
  EXPECT_EQ(p[1].battles, 2);
  EXPECT_TRUE(Provisional(p[1]));
  EXPECT_EQ(RatingOrder(r, s.standings.scores), (PlayerOrder{0, 1, 3, 4}));
}

TEST(RateSeason, StrongestSimulatedPlayerEndsOnTop) {
  // Twelve players of fixed skill race in random groups; each drives its
  // skill plus Gumbel noise, which is the Plackett-Luce model's own.
  std::mt19937 random(24);
  std::uniform_real_distribution<double> uniform(1e-9, 1.0);
  testing::Season s;
  for (int battle = 0; battle < 3000; ++battle) {
    std::vector<int> group = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    std::shuffle(group.begin(), group.end(), random);
    group.resize(2 + random() % 7);
    std::vector<TimeEntry> times;
    for (int player : group) {
      const double drive = player * 0.6 - std::log(-std::log(uniform(random)));
      const auto h = static_cast<std::uint32_t>(20000 - 300 * drive);
      TimeEntry e = testing::MakeTime(h / 6000, h / 100 % 60, h % 100);
      e.name = std::string(1, static_cast<char>('A' + player));
      times.push_back(e);
    }
    s.Add(std::move(times));
  }
  const PlayerOrder order = RatingOrder(s.ratings, s.standings.scores);
  EXPECT_EQ(s.standings.scores[order.front()].name, "L");
  EXPECT_EQ(s.standings.scores[order.back()].name, "A");
}

// The rating as the pages show it: 40 (mu - 3 sigma) rounded down, 0 for a
// new player and below; and the players ranked by it, provisional last.
TEST(RateSeason, ShownRatingAndItsOrder) {
  EXPECT_EQ(ShownRating(Ordinal(Rating{})), 0u);
  EXPECT_EQ(ShownRating(-3.2), 0u);
  EXPECT_EQ(ShownRating(0.024), 0u);
  EXPECT_EQ(ShownRating(0.025), 1u);
  EXPECT_EQ(ShownRating(30.0), 1200u);
  EXPECT_EQ(ShownRating(std::nan("")), 0u);
  EXPECT_EQ(ShownRating(1e300), 1'000'000'000u);
  testing::Season s;  // Ann wins five battles of two; Cal wins one of three
  for (int k = 0; k < 5; ++k) {
    s.Add({Post("Ann", "59,00"), Post("Bob", "1:02,00")});
  }
  s.Add({Post("Cal", "50,00"), Post("Ann", "59,00"), Post("Bob", "1:02,00")});
  const SeasonRatings& r = s.ratings;
  // Cal, rated once, may be above Bob; the order puts rated players first.
  const PlayerOrder by_ordinal = RatingOrder(r, s.standings.scores);
  const PlayerOrder shown = ShownRatingOrder(r, s.standings.scores);
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(s.standings.scores[shown[2]].name, "Cal");
  EXPECT_TRUE(Provisional(r.players[shown[2]]));
  EXPECT_NE(by_ordinal, shown);
  EXPECT_EQ(s.standings.scores[shown[0]].name, "Ann");
}

}  // namespace
}  // namespace vexlane

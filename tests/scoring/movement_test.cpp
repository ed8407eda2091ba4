// Each player's place before the latest battle night: the night is the
// last date's battles (the last ten without dates), and the places are
// those the standings had before it, ties broken as the standings break
// them.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "scoring/season.h"
#include "season.h"
#include "test_util.h"

namespace vexlane {
namespace {

using testing::Post;

TEST(Movement, PlacesBeforeTheLatestNightOfAHandWorkedSeason) {
  testing::Season s;  // n points for the first of n, n - 1 for the second
  s.Add(
      {Post("Ann", "1:00,00"), Post("Bob", "1:01,00"), Post("Cal", "1:02,00")},
      "2024-11-01");
  s.Add({Post("Cal", "1:00,00"), Post("Ann", "1:01,00")}, "2024-11-01");
  s.Add({Post("Bob", "50,00"), Post("Dee", "51,00"), Post("Cal", "52,00")},
        "2024-11-08");
  s.Add({Post("Bob", "50,00"), Post("ann", "59,00")}, "2024-11-08");
  const Season& season = s.Whole();
  EXPECT_EQ(season.latest_night, 2u);
  const std::vector<PlayerScore>& scores = season.standings.scores;
  ASSERT_EQ(scores.size(), 4u);  // Ann, Bob, Cal, Dee
  // Before the 8th: Ann first, Cal second, Bob third; Dee new.
  std::vector<std::uint32_t> before = season.places_before;
  EXPECT_EQ(before, (std::vector<std::uint32_t>{1, 3, 2, 0}));
  // A season of one night: nobody had a place.
  testing::Season one;
  one.Add({Post("Ann", "1:00,00"), Post("Bob", "1:01,00")}, "2024-11-01");
  EXPECT_EQ(one.Whole().places_before, (std::vector<std::uint32_t>{0, 0}));
  // Without dates, the night is the last ten battles: Bob wins the first
  // two of twelve, Ann the rest.
  testing::Season undated;
  for (int b = 0; b < 12; ++b) {
    undated.Add({Post(b < 2 ? "Bob" : "Ann", "1:00,00"),
                 Post(b < 2 ? "Ann" : "Bob", "1:01,00")});
  }
  EXPECT_EQ(undated.Whole().latest_night, 2u);
  EXPECT_EQ(undated.Whole().places_before,
            (std::vector<std::uint32_t>{1, 2}));  // Bob (met first) led
}

// Against the standings of the season cut before its latest night, on
// random seasons full of ties and of nicks that name one player.
TEST(Movement, PlacesBeforeAreTheStandingsOfTheSeasonBeforeTheNight) {
  const char* nicks[] = {"Ann",  "ANN",    "Bob", "Cal",
                         "Zara", "Zara_x", "Dee", "Eve"};
  std::mt19937 random(5);
  for (int season_no = 0; season_no < 40; ++season_no) {
    struct Battle {
      std::vector<TimeEntry> times;
      std::string date;
    };
    std::vector<Battle> battles;
    const int nights = 1 + static_cast<int>(random() % 4);
    for (int night = 0; night < nights; ++night) {
      const std::string date = "2024-11-1" + std::to_string(night);
      for (int b = 1 + static_cast<int>(random() % 3); b > 0; --b) {
        std::vector<TimeEntry> times;
        for (const char* nick : nicks) {
          if (random() % 3 != 0) continue;
          times.push_back(
              Post(nick, std::to_string(50 + random() % 3) + ",00"));
        }
        battles.push_back({times, date});
      }
    }
    testing::Season whole, cut;
    for (const Battle& b : battles) whole.Add(b.times, b.date);
    const Season& season = whole.Whole();
    for (std::size_t b = 0; b < season.latest_night; ++b) {
      cut.Add(battles[b].times, battles[b].date);
    }
    std::vector<std::uint32_t> expected(season.standings.scores.size(), 0);
    std::uint32_t place = 0;
    for (std::size_t i : ScoredPlayers(cut.Whole().standings)) {
      expected[i] = ++place;
    }
    EXPECT_EQ(season.places_before, expected) << "season " << season_no;
  }
}

// A night goes on past midnight: a battle started before six is of the
// evening before, across a month's and a leap year's end.
TEST(Movement, ANightGoesOnPastMidnight) {
  const auto battle = [](std::string date, std::string stamp) {
    ScoredBattle b;
    b.date = std::move(date);
    b.start_stamp = std::move(stamp);
    return b;
  };
  EXPECT_EQ(NightOf(battle("2024-11-13", "23:30:00")), "2024-11-13");
  EXPECT_EQ(NightOf(battle("2024-11-14", "00:20:00")), "2024-11-13");
  EXPECT_EQ(NightOf(battle("2024-11-14", "06:00:00")), "2024-11-14");
  EXPECT_EQ(NightOf(battle("2024-03-01", "01:00")), "2024-02-29");
  EXPECT_EQ(NightOf(battle("2023-03-01", "01:00")), "2023-02-28");
  EXPECT_EQ(NightOf(battle("2025-01-01", "05:59:59")), "2024-12-31");
  EXPECT_EQ(NightOf(battle("2024-11-14", "")), "2024-11-14");
  EXPECT_EQ(NightOf(battle("", "01:00")), "");
  NightTracker night;
  for (const ScoredBattle& b :
       {battle("2024-11-12", "20:00"), battle("2024-11-13", "23:30"),
        battle("2024-11-14", "00:20")}) {
    night.Add(b, {});
  }
  EXPECT_EQ(night.first(), 1u);
  EXPECT_EQ(night.night(), "2024-11-13");
}

}  // namespace
}  // namespace vexlane

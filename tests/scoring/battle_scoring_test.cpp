#include "scoring/battle_scoring.h"

#include <gtest/gtest.h>

#include "render/time_text.h"
#include "scoring/standings.h"
#include "test_util.h"

namespace vexlane {
namespace {

using testing::Post;

std::string Names(const std::vector<TimeEntry>& times) {
  std::string names;
  for (const TimeEntry& e : times) names += e.name + " ";
  return names;
}

TEST(KeepLastPerNick, LastPostCountsEvenWhenWorse) {
  std::vector<TimeEntry> times = {Post("Ann", "1:00,00"), Post("Bob", "58,00"),
                                  Post("Ann", "55,00")};
  KeepLastPerNick(&times);
  EXPECT_EQ(Names(times), "Bob Ann ");
  EXPECT_EQ(TimeColumnText(times[1]), "     0:55,00");

  times = {Post("Ann", "55,00"), Post("Ann", "1:00,00"), Post("ann", "50,00")};
  KeepLastPerNick(&times);
  ASSERT_EQ(Names(times), "Ann ann ");  // nicks are compared exactly
  EXPECT_EQ(TimeColumnText(times[0]), "     1:00,00");
}

TEST(RankEntries, ExchangeSortOrderOfTies) {
  // Equal times posted first and second, a better one third: the better one
  // wins, and the swaps leave the second-posted before the first-posted.
  std::vector<TimeEntry> times = {Post("First", "1:00,00"),
                                  Post("Second", "1:00,00"),
                                  Post("Best", "50,00")};
  RankEntries(&times);
  EXPECT_EQ(Names(times), "Best Second First ");
}

TEST(BattleLengthMinutes, WrapsPastMidnightAndNeedsFullStamps) {
  EXPECT_EQ(BattleLengthMinutes("23:50:00", "00:10:00"), 20);
  EXPECT_EQ(BattleLengthMinutes("21:04:11", "21:20:30"), 16);
  EXPECT_EQ(BattleLengthMinutes("21:04:11", "21:04:59"), 0);
  EXPECT_EQ(BattleLengthMinutes("", "21:04:59"), 0);
  EXPECT_EQ(BattleLengthMinutes("21:04:1", "21:09:11"), 0);
}

FoundBattle Found(std::vector<TimeEntry> times, std::string starter = "Ann") {
  FoundBattle b;
  b.event = 3;
  b.level = "Pipe12";
  b.starter = std::move(starter);
  b.times = std::move(times);
  return b;
}

TEST(ScoreBattle, PointsFromTheLastUpAndExtraForTheWinner) {
  ScoredBattle s =
      ScoreBattle(Found({Post("Ann", "1:00,00"), Post("Bob", "1:05,00"),
                         Post("Cal", "7"), Post("Ann", "1:05,00")}),
                  2);
  EXPECT_EQ(Names(s.ranked), "Bob Ann Cal ");
  EXPECT_EQ(s.ranked[0].points, 3u + 2u);
  EXPECT_EQ(s.ranked[1].points, 2u);
  EXPECT_EQ(s.ranked[2].points, 1u);
  EXPECT_EQ(s.level, "Pipe12");
  EXPECT_EQ(s.event, 3);

  s = ScoreBattle(Found({Post("Ann", "1:00,00"), Post("Bob", "2:00,00")}), 0);
  EXPECT_EQ(s.ranked[0].points, 2u);
}

TEST(AddToStandings, ScoresStartersAndSummaries) {
  Standings st;
  AddToStandings(ScoreBattle(Found({Post("Anna", "1:00,00")}, "battlebot"), 5),
                 &st);
  AddToStandings(
      ScoreBattle(Found({Post("ANNAbel", "1:00,00"), Post("Bob", "2:00,00")},
                        "battlebot"),
                  0),
      &st);
  AddToStandings(ScoreBattle(Found({}, "battlebot"), 5), &st);
  ASSERT_EQ(st.battles.size(), 3u);
  EXPECT_EQ(st.battles[2].players, 0);
  EXPECT_TRUE(IsEmpty(st.battles[2].winner));
  EXPECT_EQ(st.battles[0].winner.points, 6u);
  // Anna and ANNAbel share their first four letters: one player, first nick.
  ASSERT_EQ(st.scores.size(), 3u);
  EXPECT_EQ(st.scores[0].name, "Anna");
  EXPECT_EQ(st.scores[0].points, 6 + 2);
  EXPECT_EQ(st.scores[0].wins, 2);
  EXPECT_EQ(st.scores[0].battles, 2);
  EXPECT_EQ(TimeColumnText(st.scores[0].total), "     2:00,00");
  // A bot gets its own record for every battle it started.
  EXPECT_EQ(st.scores[1].name, "battlebot");
  EXPECT_EQ(st.scores[1].battles_started, 3);
  EXPECT_EQ(st.scores[1].battles, 0);
}

}  // namespace
}  // namespace vexlane

#include "render/overall_sections.h"

#include <gtest/gtest.h>

#include "render/report_frame.h"
#include "render/time_text.h"
#include "scoring/standings.h"

namespace vexlane {
namespace {

PlayerScore Player(std::string name, int points, int wins, int battles,
                   int started = 0) {
  PlayerScore s;
  s.name = std::move(name);
  s.points = points;
  s.wins = wins;
  s.battles = battles;
  s.battles_started = started;
  s.total.name = s.name;
  return s;
}

std::string Order(const std::vector<PlayerScore>& scores,
                  const PlayerOrder& order) {
  std::string out;
  for (std::size_t i : order) out += scores[i].name + " ";
  return out;
}

// The whole tail of a report of `battles` empty battles, without the HTML
// closing tags; `*console_copy` gets the part shown in level-by-level mode.
std::string Tail(const std::vector<PlayerScore>& scores, bool html = false,
                 bool stats = false, std::size_t battles = 0,
                 std::string* console_copy = nullptr) {
  Standings st;
  st.scores = scores;
  st.battles.resize(battles);
  const ReportTail tail = BuildReportTail(
      html ? ReportFormat::kHtml
           : (stats ? ReportFormat::kStatsText : ReportFormat::kComboText),
      st);
  if (console_copy) *console_copy = tail.text.substr(0, tail.console_copy);
  return tail.text;
}

// Points and battles; wins and battles.
std::string Average(int points, int battles) {
  return AverageText(Player("A", points, 0, battles));
}
std::uint64_t Percent(int wins, int battles) {
  return WinPercent(Player("A", 0, wins, battles));
}

TEST(AverageAndWinPercent, TruncatedNeverRounded) {
  EXPECT_EQ(Average(7, 3), "2.33");
  EXPECT_EQ(Average(2, 1), "2.00");
  EXPECT_EQ(Average(1, 3), "0.33");
  EXPECT_EQ(Average(1, 40), "0.02");
  EXPECT_EQ(Average(2, 3), "0.66");
  EXPECT_EQ(Percent(2, 3), 66u);
  EXPECT_EQ(Percent(3, 3), 100u);
  EXPECT_EQ(Percent(0, 0), 0u);  // no division by zero battles
}

TEST(OverallScores, ExchangeSortByPointsThenWins) {
  std::vector<PlayerScore> scores = {
      Player("Ann", 5, 1, 2), Player("Bea", 5, 1, 2), Player("Cal", 9, 1, 2)};
  EXPECT_EQ(Order(scores, PointsOrder(scores)), "Cal Bea Ann ");

  scores = {Player("Ann", 5, 1, 3), Player("Bea", 5, 2, 3)};
  EXPECT_EQ(Order(scores, PointsOrder(scores)), "Bea Ann ");
}

TEST(OverallScores, RowLayout) {
  std::vector<PlayerScore> scores = {Player("Ann", 7, 2, 3)};
  scores[0].total.minutes = 3;
  const std::string tail = Tail(scores);
  const std::string row =
      " 1.    Ann          7      (2.33)       2 / 3 (66%)     ";
  ASSERT_EQ(row.size(), 56u);
  EXPECT_NE(tail.find("-\n" + row + "     3:00,00\n"), std::string::npos);
  // No battles: no average and no division.
  scores = {Player("Ann", 4, 1, 0)};
  EXPECT_NE(Tail(scores).find(" 1.    Ann          4                   "
                              "1 / 0                       \n"),
            std::string::npos);
}

TEST(OverallScores, StartersWithoutPointsOnlyInBattlesBy) {
  std::vector<PlayerScore> scores = {Player("Ann", 0, 0, 0, 2),
                                     Player("Bob", 3, 1, 1, 1),
                                     Player("Cal", 1, 0, 1, 0)};
  const std::string tail = Tail(scores);
  EXPECT_NE(tail.find("-\n 1.    Bob          3      (3.00)"),
            std::string::npos);
  EXPECT_NE(tail.find(" 2.    Cal          1      (1.00)"), std::string::npos);
  EXPECT_EQ(tail.find("Ann          0"), std::string::npos);
  EXPECT_NE(tail.find("-\n 1.    Ann          2\n 2.    Bob          1\n\n\n\n"
                      "This file"),
            std::string::npos);
}

TEST(OverallScores, EmptyListGivesHeadingsAndFooter) {
  std::vector<PlayerScore> none;
  EXPECT_EQ(Tail(none),
            "\nOverall scores:\n\n Pos.  Player       Points (average)    "
            "Wins/battles      Total time \n" +
                std::string(71, '-') +
                "\n\n\n\nBattles by:\n\n Pos.  Player  "
                "     Battles\n" +
                std::string(36, '-') +
                "\n\n\n\nThis file was made by vexlane statistics -program.\n"
                "Newest version available at " +
                std::string(HomePage()) + "\n\n");
  EXPECT_EQ(
      Tail(none, false, true),
      "The following are the single player total times for individual "
      "players.\nIf a player doesn't have a time in a battle level, this\n"
      "will add ten minutes to the total time.\n\nThe following is the "
      "anonymous total time of the best single battle times.\n" +
          std::string(12, ' ') +
          "\n\nThis file was made by vexlane statistics -program.\n"
          "Newest version available at " +
          std::string(HomePage()) + "\n\n");
}

TEST(OverallScores, HtmlEscapesNamesAndNeverShowsTotalTimes) {
  std::vector<PlayerScore> scores = {Player("<i>&", 3, 1, 1, 1)};
  std::string tail = Tail(scores, true, true);
  tail.erase(tail.rfind("</font>"));
  EXPECT_NE(tail.find("<td>&lt;i&gt;&amp;<td>3      (3.00)"),
            std::string::npos);
  EXPECT_NE(tail.find("<td>&lt;i&gt;&amp;<td>1\n</tr>"), std::string::npos);
  EXPECT_EQ(tail.find("<i>"), std::string::npos);
  EXPECT_EQ(tail.find("single player total times"), std::string::npos);
  EXPECT_NE(tail.find("<br>Newest version available at  <a href=\""),
            std::string::npos);
}

TEST(TotalTimes, MissingBattlePenaltyAndSort) {
  std::vector<PlayerScore> scores = {Player("Ann", 4, 1, 1),
                                     Player("Bob", 8, 4, 4)};
  scores[0].total.minutes = 1;
  scores[1].total.minutes = 40;
  const std::string tail = Tail(scores, false, true, 4);
  const std::vector<PenalisedTotal> by_total = PenalisedTotals(scores, 4);
  EXPECT_EQ(TimeColumnText(by_total[0].total), "    31:00,00");
  EXPECT_EQ(scores[by_total[0].player].name, "Ann");
  EXPECT_NE(tail.find("time.\n    31:00,00 Ann\n    40:00,00 Bob\n\n"),
            std::string::npos);
  EXPECT_EQ(tail.find("Overall scores"), std::string::npos);
  EXPECT_EQ(tail.find("Battles by"), std::string::npos);
  // Two nicks of one player ranked in the same battle give that player
  // more battles than the report holds: the penalty must not wrap around.
  scores = {Player("Johnny", 3, 1, 2)};
  scores[0].total.minutes = 2;
  EXPECT_EQ(TimeColumnText(PenalisedTotals(scores, 1)[0].total),
            "     2:00,00");
}

TEST(TotalTimes, SumOfTheWinnersEndsTheTables) {
  Standings st;
  st.battles.resize(2);
  st.battles[0].winner.seconds = 50;
  st.battles[1].winner.seconds = 20;
  const std::string tail = BuildReportTail(ReportFormat::kStatsText, st).text;
  EXPECT_NE(tail.find("times.\n     1:10,00\n\nThis file"), std::string::npos);
}

TEST(OverallScores, ConsoleCopyInLevelByLevelModeLeavesOutTheFooter) {
  std::vector<PlayerScore> scores = {Player("Ann", 3, 1, 1, 1)};
  std::string console;
  Tail(scores, false, false, 0, &console);
  EXPECT_EQ(console.find("This file"), std::string::npos);
  EXPECT_NE(console.find("Battles by:"), std::string::npos);

  std::string stats_console = "unset";
  Tail(scores, false, true, 0, &stats_console);
  EXPECT_EQ(stats_console, "");
}

}  // namespace
}  // namespace vexlane

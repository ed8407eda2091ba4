#include "results/battle_results.h"

#include <gtest/gtest.h>

#include <sstream>

#include "parse/text.h"
#include "test_util.h"

namespace vexlane {
namespace {

using testing::Post;

std::vector<std::string> Names(const std::vector<TimeEntry>& times) {
  std::vector<std::string> names;
  for (const TimeEntry& e : times) names.push_back(e.name);
  return names;
}

using Names_ = std::vector<std::string>;

TEST(KeepLastPerNick, LastPostCountsEvenWhenWorse) {
  std::vector<TimeEntry> times = {Post("Ann", "1:00,00"), Post("Bob", "58,00"),
                                  Post("Ann", "55,00")};
  KeepLastPerNick(&times);
  EXPECT_EQ(Names(times), (Names_{"Bob", "Ann"}));
  EXPECT_EQ(TimeColumnText(times[1]), "     0:55,00");

  times = {Post("Ann", "55,00"), Post("Ann", "1:00,00"), Post("ann", "50,00")};
  KeepLastPerNick(&times);
  ASSERT_EQ(times.size(), 2u);  // nicks are compared exactly
  EXPECT_EQ(TimeColumnText(times[0]), "     1:00,00");
}

TEST(RankEntries, ExchangeSortOrderOfTies) {
  // Equal times posted first and second, a better one third: the better one
  // wins, and the swaps leave the second-posted before the first-posted.
  std::vector<TimeEntry> times = {Post("First", "1:00,00"),
                                  Post("Second", "1:00,00"),
                                  Post("Best", "50,00")};
  RankEntries(&times);
  EXPECT_EQ(Names(times), (Names_{"Best", "Second", "First"}));
}

TEST(BattleLengthMinutes, WrapsPastMidnightAndNeedsFullStamps) {
  EXPECT_EQ(BattleLengthMinutes("23:50:00", "00:10:00"), 20);
  EXPECT_EQ(BattleLengthMinutes("21:04:11", "21:20:30"), 16);
  EXPECT_EQ(BattleLengthMinutes("21:04:11", "21:04:59"), 0);
  EXPECT_EQ(BattleLengthMinutes("", "21:04:59"), 0);
  EXPECT_EQ(BattleLengthMinutes("21:04:1", "21:09:11"), 0);
}

struct Scored {
  RunCollections run;
  std::string console;
  std::vector<TimeEntry> times;
};

// A battle with a tie, an apples-only entry, a long nick and a player who
// posted twice.
Scored ScoreSample(ReportKind kind, bool interactive, int extra = 2,
                   std::string_view level = "Pipe12",
                   std::string_view by = "Ann") {
  Scored s;
  s.times = {Post("Ann", "1:00,00"), Post("Bob", "1:05,00"),
             Post("LongNickname1234", "59,50"), Post("Cal", "7"),
             Post("Ann", "1:05,00")};
  BattleInfo battle;
  battle.event = 3;
  battle.level = level;
  battle.by = by;
  battle.start_stamp = "21:04:11";
  battle.end_stamp = "21:20:30";
  std::ostringstream console;
  WriteBattleResults(&s.times, extra, battle, kind, interactive, &s.run,
                     console);
  s.console = console.str();
  return s;
}

TEST(WriteBattleResults, ComboTextSection) {
  Scored s = ScoreSample({}, false);
  EXPECT_EQ(s.run.results,
            "Event 3: Pipe12 by Ann at 21:04:11 (16 mins)\n\n"
            " Pos.  Player            Time        Diff.        Points\n" +
                std::string(58, '-') + "\n" +
                " 1.    LongNickname1234     0:59,50                  6\n"
                " 2.    Bob               1:05,00     +0:05,50     3\n"
                " 3.    Ann               1:05,00     +0:05,50     2\n"
                " 4.    Cal              7 apples                  1\n"
                "\n\n");
}

// Text from the log must not be able to inject markup into the report.
TEST(WriteBattleResults, HtmlEscapesLogText) {
  ReportKind kind;
  kind.html = true;
  Scored s = ScoreSample(kind, false, 1, "x\"><script>&'", "<b>");
  const std::string& out = s.run.results;
  EXPECT_NE(out.find("<a name=\"x&quot;&gt;&lt;script&gt;&amp;&#39;\"><h3>"),
            std::string::npos);
  EXPECT_NE(out.find("Event 3: x&quot;&gt;&lt;script&gt;&amp;&#39; by "
                     "&lt;b&gt; at"),
            std::string::npos);
  EXPECT_EQ(out.find("<script>"), std::string::npos);
  EXPECT_EQ(out.find("<b>"), std::string::npos);

  std::vector<TimeEntry> times = {Post("<A&B>", "1:00,00")};
  RunCollections run;
  std::ostringstream console;
  WriteBattleResults(&times, 0, BattleInfo{}, kind, true, &run, console);
  // Escaped first, then padded to the 13-character column.
  EXPECT_NE(run.results.find("<td>&lt;A&amp;B&gt;<td>"), std::string::npos);
  EXPECT_NE(console.str().find(" 1.    <A&B>        "), std::string::npos);
}

TEST(WriteBattleResults, ConsoleEchoInLevelByLevelMode) {
  Scored s = ScoreSample({}, true);
  EXPECT_EQ(s.console,
            "\nResults: \n"
            " Pos.  Player       Time        Diff.        Points \n" +
                std::string(53, '-') + "\n" +
                " 1.    LongNickname1234      0:59,50                  6\n"
                " 2.    Bob               1:05,00     +0:05,50     3\n"
                " 3.    Ann               1:05,00     +0:05,50     2\n"
                " 4.    Cal              7 apples                  1\n");
}

std::string Heading(std::string_view by, std::string_view start,
                    std::string_view end) {
  std::vector<TimeEntry> times = {Post("Ann", "1:00,00")};
  BattleInfo battle;
  battle.event = 1;
  battle.level = "L";
  battle.by = by;
  battle.start_stamp = start;
  battle.end_stamp = end;
  RunCollections run;
  std::ostringstream console;
  WriteBattleResults(&times, 1, battle, ReportKind{}, false, &run, console);
  return run.results.substr(0, run.results.find('\n'));
}

TEST(WriteBattleResults, HeadingByAtAndLength) {
  EXPECT_EQ(Heading("Ann", "23:50:00", "00:10:00"),
            "Event 1: L by Ann at 23:50:00 (20 mins)");
  EXPECT_EQ(Heading("battlebot", "21:00:00", "21:00:30"),
            "Event 1: L at 21:00:00");
  EXPECT_EQ(Heading("ballebot", "21:00:00", "22:01:00"),
            "Event 1: L at 21:00:00");
  EXPECT_EQ(Heading("", "21:00:00", "22:00:00"),
            "Event 1: L at 21:00:00 (60 mins)");
  EXPECT_EQ(Heading("Bob", "", "21:10:00"), "Event 1: L by Bob");
}

TEST(WriteBattleResults, UpdatesScoresAndSummary) {
  Scored s = ScoreSample({}, false);
  ASSERT_EQ(s.run.scores.size(), 4u);
  const PlayerScore& winner = s.run.scores[0];
  EXPECT_EQ(winner.name, "LongNickname1234");
  EXPECT_EQ(winner.points, 6);
  EXPECT_EQ(winner.wins, 1);
  EXPECT_EQ(winner.battles, 1);
  const PlayerScore& ann = s.run.scores[2];
  EXPECT_EQ(ann.name, "Ann");
  EXPECT_EQ(ann.battles_started, 1);
  EXPECT_EQ(ann.wins, 0);
  ASSERT_EQ(s.run.summaries.size(), 1u);
  const BattleSummary& b = s.run.summaries[0];
  EXPECT_EQ(b.level, "Pipe12");
  EXPECT_EQ(b.starter, "Ann");
  EXPECT_EQ(b.event, 3);
  EXPECT_EQ(b.players, 4);
  EXPECT_EQ(b.winner.name, "LongNickname1234");
  EXPECT_EQ(b.winner.points, 6u);
}

TEST(WriteBattleResults, SingleEntryEmptyListAndZeroExtra) {
  RunCollections run;
  std::ostringstream console;
  std::vector<TimeEntry> times = {Post("Ann", "1:00,00")};
  BattleInfo battle;
  battle.by = "battlebot";
  WriteBattleResults(&times, 5, battle, ReportKind{}, false, &run, console);
  EXPECT_EQ(times[0].points, 6u);

  times = {Post("Ann", "1:00,00"), Post("Bob", "2:00,00")};
  WriteBattleResults(&times, 0, battle, ReportKind{}, false, &run, console);
  EXPECT_EQ(times[0].points, 2u);

  times.clear();
  WriteBattleResults(&times, 5, battle, ReportKind{}, false, &run, console);
  ASSERT_EQ(run.summaries.size(), 3u);
  EXPECT_EQ(run.summaries[2].players, 0);
  EXPECT_TRUE(IsEmpty(run.summaries[2].winner));
  EXPECT_EQ(run.summaries[2].starter, "");  // a bot gets no credit here...
  ASSERT_EQ(run.scores.size(), 3u);         // ...but its own record counts
  EXPECT_EQ(run.scores[1].name, "battlebot");
  EXPECT_EQ(run.scores[1].battles_started, 3);
  EXPECT_EQ(run.scores[1].battles, 0);
  EXPECT_EQ(run.scores[0].points, 6 + 2);
  EXPECT_EQ(run.scores[0].wins, 2);
  EXPECT_EQ(TimeColumnText(run.scores[0].total), "     2:00,00");
}

}  // namespace
}  // namespace vexlane

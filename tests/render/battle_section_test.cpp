#include "render/battle_section.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace vexlane {
namespace {

using testing::Post;

// A battle with a tie, an apples-only entry, a long nick and a player who
// posted twice.
ScoredBattle Sample(std::string level = "Pipe12", std::string starter = "Ann") {
  FoundBattle b;
  b.event = 3;
  b.level = std::move(level);
  b.starter = std::move(starter);
  b.start_stamp = "21:04:11";
  b.end_stamp = "21:20:30";
  b.times = {Post("Ann", "1:00,00"), Post("Bob", "1:05,00"),
             Post("LongNickname1234", "59,50"), Post("Cal", "7"),
             Post("Ann", "1:05,00")};
  return ScoreBattle(std::move(b), 2);
}

std::string Render(const ScoredBattle& battle, ReportFormat format) {
  std::string out;
  AppendBattleSection(battle, format, &out);
  return out;
}

TEST(BattleSection, ComboText) {
  EXPECT_EQ(Render(Sample(), ReportFormat::kComboText),
            "Event 3: Pipe12 by Ann at 21:04:11 (16 mins)\n\n"
            " Pos.  Player            Time        Diff.        Points\n" +
                std::string(58, '-') + "\n" +
                " 1.    LongNickname1234     0:59,50                  6\n"
                " 2.    Bob               1:05,00     +0:05,50     3\n"
                " 3.    Ann               1:05,00     +0:05,50     2\n"
                " 4.    Cal              7 apples                  1\n"
                "\n\n");
}

TEST(BattleSection, StatsText) {
  EXPECT_EQ(Render(Sample(), ReportFormat::kStatsText),
            "Level 3, Pipe12:\n"
            "     0:59,50    LongNickname1234\n"
            "     1:05,00    Bob\n"
            "     1:05,00    Ann\n"
            "    7 apples    Cal\n\n");
}

// Text from the log must not be able to inject markup into the report.
TEST(BattleSection, HtmlEscapesLogText) {
  ScoredBattle battle = Sample("x\"><script>&'", "<b>");
  battle.ranked[1].name = "<A&B>";
  const std::string out = Render(battle, ReportFormat::kHtml);
  EXPECT_NE(out.find("<a name=\"x&quot;&gt;&lt;script&gt;&amp;&#39;\"><h3>"),
            std::string::npos);
  EXPECT_NE(out.find("Event 3: x&quot;&gt;&lt;script&gt;&amp;&#39; by "
                     "&lt;b&gt; at"),
            std::string::npos);
  EXPECT_EQ(out.find("<script>"), std::string::npos);
  EXPECT_EQ(out.find("<b>"), std::string::npos);
  // Escaped first, then padded to the 13-character column.
  EXPECT_NE(out.find("<td>&lt;A&amp;B&gt;<td>"), std::string::npos);
}

std::string Heading(std::string starter, std::string start, std::string end) {
  ScoredBattle b;
  b.event = 1;
  b.level = "L";
  b.starter = std::move(starter);
  b.start_stamp = std::move(start);
  b.end_stamp = std::move(end);
  const std::string out = Render(b, ReportFormat::kComboText);
  return out.substr(0, out.find('\n'));
}

TEST(BattleSection, HeadingByAtAndLength) {
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

}  // namespace
}  // namespace vexlane

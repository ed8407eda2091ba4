#include "render/battle_index.h"

#include <gtest/gtest.h>

namespace vexlane {
namespace {

std::vector<BattleSummary> TwoBattles() {
  std::vector<BattleSummary> b(2);
  b[0].level = "Pipe";
  b[0].event = 1;
  b[0].players = 12;
  b[0].winner.name = "Ann";
  b[0].winner.minutes = 1;
  b[0].winner.seconds = 5;
  b[1].level = "A<b>&\"c'";
  b[1].event = 2;
  b[1].players = 3;
  b[1].winner.name = "<Bo>";
  b[1].winner.apples = 7;
  return b;
}

TEST(BattleIndexSection, TextRowsAndTotal) {
  EXPECT_EQ(
      BattleIndexSection(TwoBattles(), ReportFormat::kComboText),
      "\nBattle index:\n\n"
      " Level                     Event    Players    Winner           "
      "Time\n" +
          std::string(72, '-') + "\n" +
          " Pipe                      1        12         Ann" +
          std::string(10 + 5, ' ') + "1:05,00\n" +
          " A<b>&\"c'                  2        3          <Bo>" +
          std::string(9 + 4, ' ') + "7 apples\n" +
          " Total                     2        15                          "
          " 1:05,00\n\n");
}

TEST(BattleIndexSection, HtmlLinksToTheQuotedAnchors) {
  const std::string html =
      BattleIndexSection(TwoBattles(), ReportFormat::kHtml);
  EXPECT_EQ(html.find("<tr align=\"left\"><td><h2>Battle index:</h2></td></tr>"
                      "<tr><td><font face=\"courier new\"><table"),
            0u);
  EXPECT_NE(html.find("<tr><td><a href=\"#Pipe\">Pipe</a><td>1<td>12<td>Ann<td>"
                      "     1:05,00\n</tr>"),
            std::string::npos);
  EXPECT_NE(
      html.find("<a href=\"#A&lt;b&gt;&amp;&quot;c&#39;\">A&lt;b&gt;&amp;"
                "&quot;c&#39;</a><td>2<td>3<td>&lt;Bo&gt;<td>    7 apples"),
      std::string::npos);
  EXPECT_NE(html.find("<tr><td>Total<td>2<td>15<td><td>     1:05,00\n</tr>"
                      "</font></table></td></tr>"),
            std::string::npos);
}

TEST(BattleIndexSection, EmptyListStillHasItsTotal) {
  const std::string total = " Total" + std::string(21, ' ') + "0" +
                            std::string(8, ' ') + "0" + std::string(10, ' ') +
                            std::string(13 + 12, ' ') + "\n\n";
  const std::string text = BattleIndexSection({}, ReportFormat::kComboText);
  EXPECT_EQ(text.substr(text.size() - total.size()), total);
}

}  // namespace
}  // namespace vexlane

#include "render/battle_index.h"

#include "base/text.h"
#include "render/html.h"
#include "render/time_text.h"

namespace vexlane {

namespace {

const std::string& IndexTableHead() {
  static const std::string head = HtmlTableHead({{"left", 250, "Level"},
                                                 {"left", 100, "Event"},
                                                 {"left", 100, "Players"},
                                                 {"left", 150, "Winner"},
                                                 {"rigth", 100, "Time"}});
  return head;
}
constexpr std::string_view kTextColumns =
    " Level                     Event    Players    Winner           Time\n";

}  // namespace

std::string BattleIndexSection(const std::vector<BattleSummary>& summaries,
                               ReportFormat format) {
  const bool html = IsHtml(format);
  std::string out;
  TimeEntry winners_sum;
  std::int64_t players_sum = 0;
  if (html) {
    out += "<tr align=\"left\"><td><h2>Battle index:</h2></td></tr>";
    out += IndexTableHead();
  } else {
    out += "\nBattle index:\n\n";
    out += kTextColumns;
    out += std::string(72, '-') + "\n";
  }
  for (const BattleSummary& b : summaries) {
    winners_sum = Sum(winners_sum, b.winner);
    players_sum += b.players;
    if (html) {
      const std::string level = HtmlEscape(b.level);
      out += "<tr><td><a href=\"#" + level + "\">" + level + "</a><td>" +
             SignedText(b.event) + "<td>" + SignedText(b.players) + "<td>" +
             HtmlEscape(b.winner.name) + "<td>" + TimeColumnText(b.winner) +
             "\n</tr>";
    } else {
      out += " " + PadRight(b.level, 26) + PadRight(SignedText(b.event), 9) +
             PadRight(SignedText(b.players), 11) + PadRight(b.winner.name, 13) +
             TimeColumnText(b.winner) + "\n";
    }
  }
  const std::string battles = UnsignedText(summaries.size());
  if (html) {
    out += "<tr><td>Total<td>" + battles + "<td>" + SignedText(players_sum) +
           "<td><td>" + TimeColumnText(winners_sum) + "\n</tr>";
    out += "</font></table></td></tr>";
  } else {
    out += " " + PadRight("Total", 26) + PadRight(battles, 9) +
           PadRight(SignedText(players_sum), 11) + std::string(13, ' ') +
           TimeColumnText(winners_sum) + "\n\n";
  }
  return out;
}

}  // namespace vexlane

#include "render/overall_sections.h"

#include "base/text.h"
#include "render/html.h"
#include "render/time_text.h"

#ifndef VEXLANE_HOME_PAGE
#error "the build sets VEXLANE_HOME_PAGE (a CMake cache variable)"
#endif

namespace vexlane {

namespace {

const std::string& ScoresTableHead() {
  static const std::string head =
      HtmlTableHead({{"left", 50, "Pos."},
                     {"left", 150, "Player"},
                     {"left", 200, "Points (average)"},
                     {"left", 150, "Wins/battles"},
                     {"left", 150, "Total time"}});
  return head;
}

const std::string& BattlesByTableHead() {
  static const std::string head = HtmlTableHead({{"left", 50, "Pos."},
                                                 {"left", 150, "Player"},
                                                 {"left", 100, "Battles"}});
  return head;
}

constexpr std::string_view kTableEnd = "</tr></font></table></td></tr>";

std::uint32_t Count(std::int32_t value) {
  return static_cast<std::uint32_t>(value);
}

}  // namespace

void AppendTotalTimes(const std::vector<PlayerScore>& scores,
                      const std::vector<PenalisedTotal>& totals,
                      const TimeEntry& winners_total, std::string* out) {
  static_assert(kPenaltyMinutesPerMissingBattle == 10,
                "the heading below words the penalty");
  *out +=
      "The following are the single player total times for individual "
      "players.\nIf a player doesn't have a time in a battle level, this\nwill "
      "add ten minutes to the total time.\n";
  for (const PenalisedTotal& t : totals) {
    AppendTimeColumn(t.total, out);
    *out += ' ';
    *out += scores[t.player].name;
    *out += '\n';
  }
  *out += "\n";
  *out +=
      "The following is the anonymous total time of the best single "
      "battle times.\n";
  *out += TimeColumnText(winners_total);
}

void AppendOverallScores(const std::vector<PlayerScore>& scores,
                         const PlayerOrder& points_order, ReportFormat format,
                         std::string* out) {
  const bool html = IsHtml(format);
  if (html) {
    *out += "<tr><td><br><br><br></td></tr><tr align=\"left\">";
    *out += "<td><h2>Overall scores:</h2></td></tr>";
    *out += ScoresTableHead();
  } else {
    *out += "\nOverall scores:\n\n";
    *out +=
        " Pos.  Player       Points (average)    Wins/battles      Total time "
        "\n";
    *out += std::string(71, '-') + "\n";
  }
  const char* cell = html ? "<td>" : "";
  for (std::size_t i = 0; i < points_order.size(); ++i) {
    const PlayerScore& s = scores[points_order[i]];
    if (s.points == 0) continue;
    const std::uint32_t points = Count(s.points);
    const std::uint32_t battles = Count(s.battles);
    std::string average;
    std::string wins_text =
        UnsignedText(Count(s.wins)) + " / " + UnsignedText(battles);
    if (battles != 0) {
      average = " (" + AverageText(s) + ")";
      wins_text += " (" + UnsignedText(WinPercent(s)) + "%)";
    }
    *out += " ";
    if (html) *out += "<tr><td>";
    AppendPadded(UnsignedText(i + 1) + ". ", 6, out);
    *out += cell;
    AppendPadded(html ? HtmlEscape(s.name) : s.name, 13, out);
    *out += cell;
    AppendPadded(UnsignedText(points), 6, out);
    AppendPadded(average, 14, out);
    *out += cell;
    AppendPadded(wins_text, 16, out);
    *out += cell;
    AppendTimeColumn(s.total, out);
    *out += '\n';
    if (html) *out += "</tr>";
  }
}

void AppendBattlesBy(const std::vector<PlayerScore>& scores,
                     const PlayerOrder& started_order, ReportFormat format,
                     std::string* out) {
  const bool html = IsHtml(format);
  if (html) {
    *out += kTableEnd;
    *out += "<tr><td><br><br><br></td></tr>";
    *out += "<tr align=\"left\"><td><h2>Battles by:</h2>";
    *out += "</td></tr>";
    *out += BattlesByTableHead();
  } else {
    *out += "\n\n\nBattles by:\n\n";
    *out += " Pos.  Player       Battles\n";
    *out += std::string(36, '-') + "\n";
  }
  const char* cell = html ? "<td>" : "";
  for (std::size_t i = 0; i < started_order.size(); ++i) {
    const PlayerScore& s = scores[started_order[i]];
    if (s.battles_started == 0) continue;
    *out += " ";
    if (html) *out += "<tr><td>";
    *out += PadRight(UnsignedText(i + 1) + ". ", 6);
    *out += cell;
    *out += PadRight(html ? HtmlEscape(s.name) : s.name, 13);
    *out += cell;
    *out += UnsignedText(Count(s.battles_started)) + "\n";
    if (html) *out += "</tr>";
  }
  *out += "\n";
  if (html) *out += kTableEnd;
}

void AppendFooter(ReportFormat format, std::string* out) {
  *out += "\n\nThis file was made by vexlane statistics -program.\n";
  if (IsHtml(format)) {
    *out += "<br>Newest version available at  <a href=\"";
    *out += HomePage();
    *out += "\">";
    *out += HomePage();
    *out += "</a>\n\n";
  } else {
    *out += "Newest version available at ";
    *out += HomePage();
    *out += "\n\n";
  }
}

std::string_view HomePage() { return VEXLANE_HOME_PAGE; }

std::string AverageText(const PlayerScore& score) {
  const std::uint64_t q = AverageHundredths(score);
  return UnsignedText(q / 100) + "." + (q % 100 < 10 ? "0" : "") +
         UnsignedText(q % 100);
}

}  // namespace vexlane

#include "report/overall_sections.h"

#include <ostream>
#include <utility>

#include "parse/text.h"

#ifndef VEXLANE_HOME_PAGE
#define VEXLANE_HOME_PAGE "https://vexlane.example.org/"
#endif

namespace vexlane {

namespace {

constexpr std::string_view kScoresTableHead =
    "<tr><td><font face=\"courier new\"><table cellspacing=\"0\" "
    "cellpadding=\"1\" border=\"3\" rules=\"none\" bgcolor=\"#ffffff\" "
    "align=\"left\"><tr><th align=\"left\" width=\"50\">Pos.</th><th "
    "align=\"left\" width=\"150\">Player</th><th align=\"left\" "
    "width=\"200\">Points (average)</th><th align=\"left\" "
    "width=\"150\">Wins/battles</th><th align=\"left\" width=\"150\">Total "
    "time</th></tr>";
constexpr std::string_view kBattlesByTableHead =
    "<tr><td><font face=\"courier new\"><table cellspacing=\"0\" "
    "cellpadding=\"1\" border=\"3\" rules=\"none\" bgcolor=\"#ffffff\" "
    "align=\"left\"><tr><th align=\"left\" width=\"50\">Pos.</th><th "
    "align=\"left\" width=\"150\">Player</th><th align=\"left\" "
    "width=\"100\">Battles</th></tr>";
constexpr std::string_view kTableEnd = "</tr></font></table></td></tr>";
constexpr std::uint32_t kPenaltyMinutesPerBattle = 10;

std::uint32_t Count(std::int32_t value) {
  return static_cast<std::uint32_t>(value);
}

void AppendTotalTimes(std::vector<PlayerScore>* scores,
                      const std::vector<BattleSummary>& summaries,
                      std::string* out) {
  std::vector<PlayerScore>& list = *scores;
  const std::uint64_t battles_in_report = summaries.size();
  for (PlayerScore& s : list) {
    // Never negative: one player (two nicks sharing a key) can have more
    // battles than the report when both nicks drove in the same battle.
    const std::uint64_t battles = Count(s.battles);
    if (battles >= battles_in_report) continue;
    TimeEntry penalty;
    penalty.minutes = static_cast<std::uint32_t>((battles_in_report - battles) *
                                                 kPenaltyMinutesPerBattle);
    s.total = Sum(s.total, penalty);
  }
  for (std::size_t i = 0; i < list.size(); ++i) {
    for (std::size_t j = i + 1; j < list.size(); ++j) {
      if (Better(list[j].total, list[i].total)) std::swap(list[i], list[j]);
    }
  }
  *out +=
      "The following are the single player total times for individual "
      "players.\nIf a player doesn't have a time in a battle level, this\nwill "
      "add ten minutes to the total time.\n";
  for (const PlayerScore& s : list) {
    *out += TimeColumnText(s.total) + " " + s.name + "\n";
  }
  *out += "\n";
  *out +=
      "The following is the anonymous total time of the best single "
      "battle times.\n";
  TimeEntry sum;
  for (const BattleSummary& b : summaries) sum = Sum(sum, b.winner);
  *out += TimeColumnText(sum);
}

void AppendOverallScores(std::vector<PlayerScore>* scores, bool html,
                         std::string* out) {
  std::vector<PlayerScore>& list = *scores;
  for (std::size_t i = 0; i < list.size(); ++i) {
    for (std::size_t j = i; j < list.size(); ++j) {
      const bool ahead = Count(list[j].points) > Count(list[i].points) ||
                         (list[j].points == list[i].points &&
                          Count(list[j].wins) > Count(list[i].wins));
      if (ahead) std::swap(list[i], list[j]);
    }
  }
  if (html) {
    *out += "<tr><td><br><br><br></td></tr><tr align=\"left\">";
    *out += "<td><h2>Overall scores:</h2></td></tr>";
    *out += kScoresTableHead;
  } else {
    *out += "\nOverall scores:\n\n";
    *out +=
        " Pos.  Player       Points (average)    Wins/battles      Total time "
        "\n";
    *out += std::string(71, '-') + "\n";
  }
  const char* cell = html ? "<td>" : "";
  for (std::size_t i = 0; i < list.size(); ++i) {
    const PlayerScore& s = list[i];
    if (s.points == 0) continue;
    const std::uint32_t points = Count(s.points);
    const std::uint32_t wins = Count(s.wins);
    const std::uint32_t battles = Count(s.battles);
    std::string average;
    std::string wins_text = UnsignedText(wins) + " / " + UnsignedText(battles);
    if (battles != 0) {
      average = " (" + AverageText(points, battles) + ")";
      wins_text +=
          " (" + UnsignedText(std::uint64_t{wins} * 100 / battles) + "%)";
    }
    *out += " ";
    if (html) *out += "<tr><td>";
    *out += PadRight(UnsignedText(i + 1) + ". ", 6);
    *out += cell;
    *out += PadRight(html ? HtmlEscape(s.name) : s.name, 13);
    *out += cell;
    *out += PadRight(UnsignedText(points), 6) + PadRight(average, 14);
    *out += cell;
    *out += PadRight(wins_text, 16);
    *out += cell;
    *out += TimeColumnText(s.total) + "\n";
    if (html) *out += "</tr>";
  }
}

void AppendBattlesBy(std::vector<PlayerScore>* scores, bool html,
                     std::string* out) {
  std::vector<PlayerScore>& list = *scores;
  if (html) {
    *out += kTableEnd;
    *out += "<tr><td><br><br><br></td></tr>";
    *out += "<tr align=\"left\"><td><h2>Battles by:</h2>";
    *out += "</td></tr>";
    *out += kBattlesByTableHead;
  } else {
    *out += "\n\n\nBattles by:\n\n";
    *out += " Pos.  Player       Battles\n";
    *out += std::string(36, '-') + "\n";
  }
  for (std::size_t i = 0; i < list.size(); ++i) {
    for (std::size_t j = i; j < list.size(); ++j) {
      if (Count(list[j].battles_started) > Count(list[i].battles_started)) {
        std::swap(list[i], list[j]);
      }
    }
  }
  const char* cell = html ? "<td>" : "";
  for (std::size_t i = 0; i < list.size(); ++i) {
    const PlayerScore& s = list[i];
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

void AppendFooter(bool html, std::string* out) {
  *out += "\n\nThis file was made by vexlane statistics -program.\n";
  if (html) {
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

}  // namespace

std::string_view HomePage() { return VEXLANE_HOME_PAGE; }

std::string AverageText(std::uint32_t points, std::uint32_t battles) {
  const std::uint64_t q = std::uint64_t{points} * 100 / battles;
  return UnsignedText(q / 100) + "." + (q % 100 < 10 ? "0" : "") +
         UnsignedText(q % 100);
}

std::string OverallSections(std::vector<PlayerScore>* scores, bool interactive,
                            bool html, bool stats_kind,
                            const std::vector<BattleSummary>& summaries,
                            std::ostream& console) {
  std::string tail;
  tail.reserve(10000);
  if (!html && stats_kind) {
    AppendTotalTimes(scores, summaries, &tail);
  } else {
    AppendOverallScores(scores, html, &tail);
    AppendBattlesBy(scores, html, &tail);
    if (interactive) console << tail << std::flush;
    if (html) tail += "<tr><td><p><br><br><br>";
  }
  AppendFooter(html, &tail);
  return tail;
}

}  // namespace vexlane

#include "render/battle_section.h"

#include "base/text.h"
#include "render/html.h"
#include "render/time_text.h"

namespace vexlane {

namespace {

constexpr std::string_view kTextColumns =
    " Pos.  Player            Time        Diff.        Points\n";

const std::string& ResultsTableHead() {
  static const std::string head = HtmlTableHead({{"left", 50, "Pos."},
                                                 {"left", 150, "Player"},
                                                 {"rigth", 100, "Time"},
                                                 {"rigth", 100, "Diff."},
                                                 {"left", 100, "Points"}});
  return head;
}

std::string PositionText(std::size_t rank) {
  return UnsignedText(rank + 1) + ". ";
}

void AppendStatsSection(const ScoredBattle& battle, std::string* out) {
  *out += "Level " + SignedText(battle.event) + ", ";
  *out += battle.level;
  *out += ":\n";
  for (const TimeEntry& e : battle.ranked) {
    AppendTimeColumn(e, out);
    *out += "    ";
    *out += e.name;
    *out += "\n";
  }
  *out += "\n";
}

// The combo battle text form, or with `html` its HTML twin.
void AppendComboSection(const ScoredBattle& battle, bool html,
                        std::string* out) {
  auto shown = [html](std::string_view text) {
    return html ? HtmlEscape(text) : std::string(text);
  };
  if (html) {
    *out += "<tr><td><br><br></td></tr><tr align=\"left\"><td><a name=\"";
    *out += shown(battle.level);
    *out += "\"><h3>";
  }
  *out += "Event " + SignedText(battle.event) + ": " + shown(battle.level);
  if (const std::string_view starter = ShownStarter(battle); !starter.empty()) {
    *out += " by " + shown(starter);
  }
  if (!battle.start_stamp.empty()) *out += " at " + shown(battle.start_stamp);
  if (const int length = ShownLengthMinutes(battle)) {
    *out += " (" + SignedText(length) + " mins)";
  }
  if (html) {
    *out += "</h3></td></tr><tr align=\"left\"><td>";
    *out += ResultsTableHead();
  } else {
    *out += "\n\n";
    *out += kTextColumns;
    *out += std::string(58, '-') + "\n";
  }
  const std::string_view cell = html ? "<td>" : "";
  const std::vector<TimeEntry>& ranked = battle.ranked;
  for (std::size_t k = 0; k < ranked.size(); ++k) {
    const TimeEntry& e = ranked[k];
    if (html) *out += "<tr><td>";
    *out += ' ';
    AppendPadded(PositionText(k), 6, out);
    *out += cell;
    AppendPadded(html ? HtmlEscape(e.name) : e.name, 13, out);
    *out += cell;
    AppendTimeColumn(e, out);
    *out += "     ";
    *out += cell;
    AppendDifference(e, ranked[0], out);
    *out += "     ";
    *out += cell;
    AppendUnsigned(e.points, out);
    *out += '\n';
    if (html) *out += "</tr>";
  }
  if (html) *out += "</font></table></td></tr>";
  *out += "\n\n";
}

}  // namespace

void AppendBattleSection(const ScoredBattle& battle, ReportFormat format,
                         std::string* out) {
  if (format == ReportFormat::kStatsText) {
    AppendStatsSection(battle, out);
  } else {
    AppendComboSection(battle, IsHtml(format), out);
  }
}

}  // namespace vexlane

#include "results/battle_results.h"

#include <ostream>
#include <utility>

#include "parse/text.h"

namespace vexlane {

namespace {

constexpr std::string_view kResultsTableHead =
    "<tr><td><font face=\"courier new\"><table cellspacing=\"0\" "
    "cellpadding=\"1\" border=\"3\" rules=\"none\" bgcolor=\"#ffffff\" "
    "align=\"left\"><tr><th align=\"left\" width=\"50\">Pos.</th><th "
    "align=\"left\" width=\"150\">Player</th><th align=\"rigth\" "
    "width=\"100\">Time</th><th align=\"rigth\" width=\"100\">Diff.</th><th "
    "align=\"left\" width=\"100\">Points</th></tr>";
constexpr std::string_view kTextColumns =
    " Pos.  Player            Time        Diff.        Points\n";
constexpr std::string_view kConsoleColumns =
    " Pos.  Player       Time        Diff.        Points ";

bool IsBot(std::string_view nick) {
  return nick == "battlebot" || nick == "ballebot";
}

std::string PositionText(std::size_t rank) {
  return UnsignedText(rank + 1) + ". ";
}

void EchoRanking(const std::vector<TimeEntry>& times, std::ostream& console) {
  console << "\n"
          << "Results: \n"
          << kConsoleColumns << "\n"
          << std::string(53, '-') << "\n";
  for (std::size_t k = 0; k < times.size(); ++k) {
    const TimeEntry& e = times[k];
    console << " " << PadRight(PositionText(k), 6) << PadRight(e.name, 12)
            << " " << TimeColumnText(e) << "     "
            << DifferenceText(e, times[0]) << "     " << e.points << "\n";
  }
}

void AppendStatsSection(const std::vector<TimeEntry>& times,
                        const BattleInfo& battle, std::string* out) {
  *out += "Level " + SignedText(battle.event) + ", ";
  *out += battle.level;
  *out += ":\n";
  for (const TimeEntry& e : times) {
    *out += TimeColumnText(e);
    *out += "    ";
    *out += e.name;
    *out += "\n";
  }
  *out += "\n";
}

// The combo battle text form, or with `html` its HTML twin.
void AppendComboSection(const std::vector<TimeEntry>& times,
                        const BattleInfo& battle, bool html, std::string* out) {
  auto shown = [html](std::string_view text) {
    return html ? HtmlEscape(text) : std::string(text);
  };
  if (html) {
    *out += "<tr><td><br><br></td></tr><tr align=\"left\"><td><a name=\"";
    *out += shown(battle.level);
    *out += "\"><h3>";
  }
  *out += "Event " + SignedText(battle.event) + ": " + shown(battle.level);
  if (!battle.by.empty() && !IsBot(battle.by)) {
    *out += " by " + shown(battle.by);
  }
  if (!battle.start_stamp.empty()) *out += " at " + shown(battle.start_stamp);
  const int length = BattleLengthMinutes(battle.start_stamp, battle.end_stamp);
  if (length >= 1 && length <= 60) *out += " (" + SignedText(length) + " mins)";
  if (html) {
    *out += "</h3></td></tr><tr align=\"left\"><td>";
    *out += kResultsTableHead;
  } else {
    *out += "\n\n";
    *out += kTextColumns;
    *out += std::string(58, '-') + "\n";
  }
  const std::string_view cell = html ? "<td>" : "";
  for (std::size_t k = 0; k < times.size(); ++k) {
    const TimeEntry& e = times[k];
    if (html) *out += "<tr><td>";
    *out += ' ';
    AppendPadded(PositionText(k), 6, out);
    *out += cell;
    AppendPadded(html ? HtmlEscape(e.name) : e.name, 13, out);
    *out += cell;
    AppendTimeColumn(e, out);
    *out += "     ";
    *out += cell;
    AppendDifference(e, times[0], out);
    *out += "     ";
    *out += cell;
    AppendUnsigned(e.points, out);
    *out += '\n';
    if (html) *out += "</tr>";
  }
  if (html) *out += "</font></table></td></tr>";
  *out += "\n\n";
}

void UpdateScores(const std::vector<TimeEntry>& times, std::string_view starter,
                  std::vector<PlayerScore>* scores, PlayerIndex* index) {
  for (std::size_t k = 0; k < times.size(); ++k) {
    const TimeEntry& e = times[k];
    const std::size_t i = FindPlayer(*scores, e.name, index);
    if (i < scores->size()) {
      PlayerScore& s = (*scores)[i];
      s.points += static_cast<std::int32_t>(e.points);
      if (k == 0) s.wins += 1;
      s.battles += 1;
      s.total = Sum(s.total, e);
    } else {
      PlayerScore s;
      s.name = e.name;
      s.points = static_cast<std::int32_t>(e.points);
      s.wins = k == 0 ? 1 : 0;
      s.battles = 1;
      s.total = e;
      scores->push_back(std::move(s));
    }
  }
  const std::size_t i = FindPlayer(*scores, starter, index);
  if (i < scores->size()) {
    (*scores)[i].battles_started += 1;
  } else {
    PlayerScore s;
    s.name = starter;
    s.battles_started = 1;
    scores->push_back(std::move(s));
  }
}

}  // namespace

void KeepLastPerNick(std::vector<TimeEntry>* times) {
  std::vector<TimeEntry>& list = *times;
  // Keep an entry when no later entry has the same nick; one pass of moves.
  std::size_t kept = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    bool later = false;
    for (std::size_t j = i + 1; j < list.size() && !later; ++j) {
      later = list[j].name == list[i].name;
    }
    if (later) continue;
    if (kept != i) list[kept] = std::move(list[i]);
    ++kept;
  }
  list.resize(kept);
}

void RankEntries(std::vector<TimeEntry>* times) {
  std::vector<TimeEntry>& list = *times;
  // The exchange sort runs on positions, so each swap moves two numbers
  // instead of two entries; the final order is the same.
  std::vector<std::size_t> order(list.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  for (std::size_t i = 0; i < order.size(); ++i) {
    for (std::size_t j = i; j < order.size(); ++j) {
      if (Better(list[order[j]], list[order[i]])) std::swap(order[i], order[j]);
    }
  }
  std::vector<TimeEntry> ranked;
  ranked.reserve(list.size());
  for (std::size_t i : order) ranked.push_back(std::move(list[i]));
  list = std::move(ranked);
}

int BattleLengthMinutes(std::string_view start, std::string_view end) {
  if (start.size() <= 7 || end.size() <= 7) return 0;
  auto d = [](std::string_view s, std::size_t i) { return s[i] - '0'; };
  int length = (d(end, 0) - d(start, 0)) * 600 +
               (d(end, 1) - d(start, 1)) * 60 + (d(end, 3) - d(start, 3)) * 10 +
               (d(end, 4) - d(start, 4));
  if (length < 0) length += 1440;  // the battle ran past midnight
  return length;
}

void WriteBattleResults(std::vector<TimeEntry>* times, int extra_points,
                        const BattleInfo& battle, const ReportKind& kind,
                        bool interactive, RunCollections* run,
                        std::ostream& console) {
  KeepLastPerNick(times);
  RankEntries(times);
  std::vector<TimeEntry>& list = *times;
  const std::size_t n = list.size();
  for (std::size_t k = 0; k < n; ++k) {
    list[k].points = static_cast<std::uint32_t>(n - k);
  }
  if (n > 0) list[0].points += static_cast<std::uint32_t>(extra_points);

  if (interactive) EchoRanking(list, console);
  if (!kind.html && kind.stats_kind) {
    AppendStatsSection(list, battle, &run->results);
  } else {
    AppendComboSection(list, battle, kind.html, &run->results);
  }

  UpdateScores(list, battle.by, &run->scores, &run->player_index);

  BattleSummary summary;
  summary.level = battle.level;
  if (!IsBot(battle.by)) summary.starter = battle.by;
  summary.event = battle.event;
  summary.players = static_cast<std::int32_t>(n);
  if (n > 0) summary.winner = list[0];
  run->summaries.push_back(std::move(summary));
}

}  // namespace vexlane

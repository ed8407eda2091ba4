// The front page's latest battle night: its battles and winners, the
// records and personal bests set in it, who moved in the standings, and
// the way to the nights before.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "render/page_parts.h"
#include "render/site_parts.h"

namespace vexlane::site_pages {

namespace {

// Who moved most, at most this many named.
constexpr std::size_t kMovesShown = 10;

void AppendNightBattles(const Site& site, std::size_t first, std::string* out) {
  const std::vector<ScoredBattle>& battles = site.model.battles;
  page::OpenTable("Levels and winners",
                  {{"Event", kNumber | kWide},
                   {"Level", kText},
                   {"Winner", kText},
                   {"Time", kNumber}},
                  false, out);
  for (std::size_t i = first; i < battles.size(); ++i) {
    const ScoredBattle& b = battles[i];
    *out += "<tr>";
    Cell(EventLink(site, i, 0), kNumber | kWide, out);
    const std::size_t level = LevelOf(site, b);
    Cell(level == std::string::npos
             ? Link(BattleHref(site, i, 0), page::Isolated(b.level))
             : LevelLink(site, level, 0),
         kName, out);
    if (b.ranked.empty()) {
      Cell("", kText, out);
      Cell("", kNumber, out);
    } else {
      Cell(NickLink(site, b.ranked[0].name, 0), kName, out);
      Cell(ShownTime(b.ranked[0]), kNumber, out);
    }
    *out += "</tr>\n";
  }
  page::CloseTable(out);
}

// The records and personal bests of the night, in words.
void AppendNightMarks(const Site& site, std::size_t first, std::string* out) {
  const std::vector<ScoredBattle>& battles = site.model.battles;
  std::string items;
  for (std::size_t i = first; i < battles.size(); ++i) {
    const ScoredBattle& b = battles[i];
    const std::span<const std::uint8_t> marks =
        MarksOf(site.records.marks, site.entry_offsets[i], b.ranked.size());
    const std::size_t level = LevelOf(site, b);
    for (std::size_t k = 0; k < marks.size(); ++k) {
      if (marks[k] == 0) continue;
      items += "<li>" + NickLink(site, b.ranked[k].name, 0) + " drove " +
               ShownTime(b.ranked[k]) + " on " +
               (level == std::string::npos ? page::Isolated(b.level)
                                           : LevelLink(site, level, 0)) +
               " in event " + EventLink(site, i, 0) + ": ";
      items += (marks[k] & kNewRecord) != 0 ? "a new record" : "";
      if (marks[k] == (kNewRecord | kPersonalBest)) items += " and ";
      items += (marks[k] & kPersonalBest) != 0 ? "a personal best" : "";
      items += ".</li>\n";
    }
  }
  if (items.empty()) return;
  *out += "<h3>Records and personal bests</h3>\n<ul>\n" + items + "</ul>\n";
}

// The players whose place changed most since before the night.
void AppendNightMoves(const Site& site, std::string* out) {
  const std::vector<std::uint32_t>& before = site.model.season.places_before;
  struct Move {
    std::size_t position;  // in site.players
    long by;               // places gained; a new player: 0
  };
  std::vector<Move> moves;
  for (std::size_t n = 0; n < site.players.size(); ++n) {
    const std::size_t p = site.players[n];
    const long was = p < before.size() ? before[p] : 0;
    if (was == 0 || was != static_cast<long>(n + 1)) {
      moves.push_back({n, was == 0 ? 0 : was - static_cast<long>(n + 1)});
    }
  }
  if (moves.empty()) return;
  std::stable_sort(moves.begin(), moves.end(),
                   [](const Move& a, const Move& b) {
                     return std::abs(a.by) > std::abs(b.by);
                   });
  *out += "<h3>Who moved</h3>\n<ul>\n";
  for (std::size_t k = 0; k < std::min(moves.size(), kMovesShown); ++k) {
    const Move& m = moves[k];
    const std::string place = Num(m.position + 1);
    *out += "<li>" + PlayerLink(site, site.players[m.position], 0) + ": ";
    if (m.by == 0) {
      *out += "new in the standings, in place " + place;
    } else {
      *out += (m.by > 0 ? "up " : "down ") +
              Num(static_cast<std::uint64_t>(std::abs(m.by))) + " to place " +
              place;
    }
    *out += ".</li>\n";
  }
  *out += "</ul>\n";
  if (moves.size() > kMovesShown) {
    *out += "<p>" + Link("players.html", "Every player's move") + "</p>\n";
  }
}

}  // namespace

void AppendLatest(const Site& site, std::string* out) {
  const std::vector<ScoredBattle>& battles = site.model.battles;
  if (battles.empty()) return;
  const std::size_t first =
      std::min(site.model.season.latest_night, battles.size() - 1);
  const std::string& night = site.model.season.latest_night_date;
  *out +=
      "<section><h2 id=\"latest\">" +
      (night.empty() ? std::string("The latest battles")
                     : "The latest battle night, " + page::DateCell(night)) +
      "</h2>\n";
  AppendNightBattles(site, first, out);
  AppendNightMarks(site, first, out);
  AppendNightMoves(site, out);
  if (first > 0) {
    // The night before from its first battle on.
    const std::string before = NightOf(battles[first - 1]);
    std::size_t start = first - 1;
    while (!before.empty() && start > 0 &&
           NightOf(battles[start - 1]) == before) {
      --start;
    }
    *out += "<p>" +
            Link(ListedHref(site, start, 0),
                 before.empty() || before == night
                     ? std::string("The battles before")
                     : "The night before, " + page::DateCell(before)) +
            " &middot; " + Link("battles.html", "Every battle") + "</p>\n";
  }
  *out += "</section>\n";
}

}  // namespace vexlane::site_pages

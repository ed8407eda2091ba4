// The standings table of the web page and the site: places, movement since
// the latest night, points, wins and the rating, each term explained
// below the table.
#include <string>
#include <vector>

#include "render/overall_sections.h"
#include "render/page_parts.h"

namespace vexlane::page {

namespace {

// The player's change of place since the latest night, in words a screen
// reader says ("up 2", "down 1", "new", "same") and arrows for the eye.
void MovementCell(std::uint32_t before, std::size_t now, std::string* out) {
  if (before == 0) {
    Cell("new", kNumber, out, "0");
    return;
  }
  const auto place = static_cast<std::uint32_t>(now);
  if (before == place) {
    Cell("<span aria-hidden=\"true\">=</span><span class=\"sr\">same</span>",
         kNumber, out, "0");
  } else if (before > place) {
    const std::string by = Num(before - place);
    Cell(
        "<span aria-hidden=\"true\">&#9650;</span><span class=\"sr\">up "
        "</span>" +
            by,
        kNumber, out, by);
  } else {
    const std::string by = Num(place - before);
    Cell(
        "<span aria-hidden=\"true\">&#9660;</span><span class=\"sr\">down "
        "</span>" +
            by,
        kNumber, out, "-" + by);
  }
}

// What the table's terms mean, where the table stands.
void AppendTerms(const StandingsTable& table, std::string* out) {
  *out += "<p class=\"meta\">";
  if (table.places_before != nullptr) {
    *out += "Move: places gained or lost since the latest battle night. ";
  }
  *out +=
      "Average: points per battle. Total time: the player's times of all "
      "their battles added up (apples add none).";
  if (table.ratings != nullptr) {
    const std::string needed =
        Num(static_cast<std::uint64_t>(kProvisionalBattles));
    *out +=
        " Rating: how strong a player is, from whom they beat and who beat "
        "them in every battle; a new player starts at 0. ";
    *out += table.rating_page.empty()
                ? "It is 40 &times; (mu &minus; 3 sigma) of a Weng-Lin "
                  "Plackett-Luce rating, rounded down, never below 0. "
                : "<a href=\"" + std::string(table.rating_page) +
                      "\">How the rating works</a>. ";
    *out += "&ldquo;? (3 of " + needed + ")&rdquo;: only 3 of the " + needed +
            " rated battles a rating needs so far.";
  }
  *out += "</p>\n";
}

}  // namespace

void AppendStandings(const std::vector<PlayerScore>& scores,
                     const PlayerOrder& players, const StandingsTable& table,
                     std::string* out) {
  std::vector<Column> columns = {{"Pos.", kNumber}};
  if (table.places_before != nullptr) columns.push_back({"Move", kNumber});
  columns.insert(columns.end(), {{"Player", kText},
                                 {"Points", kNumber},
                                 {"Battles", kNumber | kWide},
                                 {"Wins", kNumber},
                                 {"Average", kNumber | kWide},
                                 {"Total time", kNumber | kWide}});
  if (table.ratings != nullptr) columns.push_back({"Rating", kNumber});
  OpenTable(table.caption, columns, true, out);
  for (std::size_t i = 0; i < players.size(); ++i) {
    const PlayerScore& s = scores[players[i]];
    const auto battles = static_cast<std::uint32_t>(s.battles);
    const std::string wins = Num(static_cast<std::uint32_t>(s.wins));
    const std::size_t place = table.first_place + i;
    *out += "<tr>";
    Cell(Num(place), kNumber, out);
    if (table.places_before != nullptr) {
      MovementCell((*table.places_before)[players[i]], place, out);
    }
    const std::string name = Isolated(s.name);
    const std::vector<std::string>* hrefs = table.hrefs;
    if (hrefs != nullptr && !(*hrefs)[players[i]].empty()) {
      Cell("<a href=\"" + (*hrefs)[players[i]] + "\">" + name + "</a>", kName,
           out);
    } else {
      Cell(name, kName, out);
    }
    Cell(Num(static_cast<std::uint32_t>(s.points)), kNumber, out);
    Cell(Num(battles), kNumber | kWide, out);
    // The share of wins only where there is room for it.
    Cell(battles == 0 ? wins
                      : wins + "<span class=\"wide\"> (" + Num(WinPercent(s)) +
                            "%)</span>",
         kNumber, out, wins);
    Cell(battles == 0 ? "" : AverageText(s), kNumber | kWide, out);
    Cell(ShownTime(s.total), kNumber | kWide, out, TimeSortKey(s.total));
    if (table.ratings != nullptr) {
      const PlayerRating& r = table.ratings->players[players[i]];
      // On a phone a provisional rating is "?", its count on a desktop.
      Cell(Provisional(r) ? "?<span class=\"wide\">" +
                                ShownRatingText(r).substr(1) + "</span>"
                          : ShownRatingText(r),
           kNumber, out, RatingSortKey(r));
    }
    *out += "</tr>\n";
  }
  CloseTable(out);
  AppendTerms(table, out);
}

std::string ShownRatingText(const PlayerRating& rating) {
  if (Provisional(rating)) {
    return "? (" + Num(static_cast<std::uint64_t>(rating.battles)) + " of " +
           Num(static_cast<std::uint64_t>(kProvisionalBattles)) + ")";
  }
  return Num(ShownRating(Ordinal(rating.rating)));
}

std::string RatingSortKey(const PlayerRating& rating) {
  if (!Provisional(rating)) return Num(ShownRating(Ordinal(rating.rating)));
  // Fewer rated battles, lower: -1 for one short of a rating.
  const std::int32_t short_of = kProvisionalBattles - rating.battles;
  return "-" + Num(static_cast<std::uint64_t>(short_of));
}

}  // namespace vexlane::page

// The level and player pages of the site, and their lists.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/text.h"
#include "render/overall_sections.h"
#include "render/page_parts.h"
#include "render/report_date.h"
#include "render/site_parts.h"
#include "render/web_report.h"

namespace vexlane::site_pages {

namespace {

// The points of one player after each of `every` battles, with the
// battles they were taken after.
void AppendPlayerCharts(const Site& site, std::size_t position,
                        const PlayerHistory& history, std::string* out) {
  const ExportModel& model = site.model;
  const std::size_t player = site.players[position];
  const std::size_t events = model.battles.size();
  const std::vector<std::uint64_t>& totals = site.running[position];
  const std::vector<const ScoredBattle*>& at = site.points_at;
  const std::string name = page::Isolated(model.standings.scores[player].name);
  std::vector<page::ChartLine> lines = {{name, {}}};
  for (std::uint64_t v : totals) {
    lines[0].values.push_back(static_cast<double>(v));
  }
  page::AppendLineChart(
      "Points over the season", "Points", page::SeasonLabels(at), lines,
      name + " took " + Num(totals.back()) + " points in " +
          Num(history.battles.size()) + " of " + Num(events) + " battles.",
      out);
  // The rating after each of the player's battles (of the better placed
  // nick where the player drove under two).
  const std::size_t step =
      std::max<std::size_t>(1, history.battles.size() / kChartPoints);
  std::vector<page::ChartLine> rating = {{name, {}}};
  std::vector<const ScoredBattle*> rated;
  for (std::size_t k = 0; k < history.battles.size(); k += step) {
    const std::size_t b = history.battles[k];
    rating[0].values.push_back(ShownRating(
        model.ratings.after[site.entry_offsets[b] + history.places[k] - 1]));
    rated.push_back(&model.battles[b]);
  }
  if (rating[0].values.size() < 2) return;
  page::AppendLineChart(
      "Rating over the season", "Rating", page::SeasonLabels(rated), rating,
      name + "'s rating after each battle; now " +
          page::ShownRatingText(model.ratings.players[player]) + ". " +
          Link("../rating.html", "How the rating works") + ".",
      out);
}

// The player's season in numbers.
void AppendSummary(const Site& site, std::size_t position, std::string* html) {
  const std::size_t player = site.players[position];
  const PlayerScore& s = site.model.standings.scores[player];
  const PlayerHistory& history = site.histories[player];
  const PlayerRating& r = site.model.ratings.players[player];
  std::string& out = *html;
  out += "<section><h2 id=\"summary\">Summary</h2>\n";
  const auto battles = static_cast<std::uint32_t>(s.battles);
  page::OpenTable("The season in numbers",
                  {{"Measure", kText}, {"Value", kNumber}}, false, &out);
  const auto row = [&out](std::string_view head, const std::string& value) {
    out += "<tr><th scope=\"row\">";
    out += head;
    out += "</th>";
    Cell(value, kNumber, &out);
    out += "</tr>\n";
  };
  row("Position", Num(position + 1) + " of " + Num(site.players.size()));
  row("Points", Num(static_cast<std::uint32_t>(s.points)));
  row("Battles", Num(battles));
  row("Wins", Num(static_cast<std::uint32_t>(s.wins)) +
                  (battles == 0 ? "" : " (" + Num(WinPercent(s)) + "%)"));
  row("Average points", battles == 0 ? "" : AverageText(s));
  char average[32];
  std::snprintf(average, sizeof average, "%.2f", history.average_place);
  row("Average place", history.battles.empty() ? "" : average);
  row("Best finishes", Num(history.firsts) + " first, " + Num(history.seconds) +
                           " second, " + Num(history.thirds) + " third");
  row("Rating", page::ShownRatingText(r) + " (" +
                    Link("../rating.html", "how the rating works") + ")");
  page::CloseTable(&out);
  out += "</section>\n";
}

// The player's best time on every level beside its record; false when the
// player has none.
bool AppendBests(const Site& site, std::size_t player, std::string* html) {
  const ExportModel& model = site.model;
  std::string& out = *html;
  const auto& bests = site.records.personal_bests[player];
  if (!bests.empty()) {
    out += "<section><h2 id=\"bests\">Personal bests</h2>\n";
    page::OpenTable("Best time on every level driven, beside its record",
                    {{"Level", kText},
                     {"Best", kNumber},
                     {"Record", kNumber},
                     {"Date", kWide}},
                    true, &out, "pb");
    // A row for every level the player drove: cells without classes.
    for (const auto& [level, best] : bests) {
      out += "<tr><td>";
      out += site.level_links[level];
      out += "</td><td>";
      out += TimeText(best);
      out += "</td><td>";
      out += site.record_times[level];
      out += "</td><td>";
      out += page::DateCell(model.battles[best.battle].date);
      out += "</td></tr>\n";
    }
    page::CloseTable(&out);
    out += "</section>\n";
  }

  return !bests.empty();
}

// The players met most often.
void AppendRivals(const Site& site, const PlayerHistory& history,
                  std::string* html) {
  std::string& out = *html;
  if (!history.rivals.empty()) {
    out += "<section><h2 id=\"rivals\">Head to head</h2>\n";
    page::OpenTable("Against the players met most often",
                    {{"Player", kText},
                     {"Battles", kNumber},
                     {"Ahead", kNumber},
                     {"Behind", kNumber}},
                    false, &out);
    for (const HeadToHead& h : history.rivals) {
      out += "<tr>";
      Cell(PlayerLink(site, h.opponent, 1), kName, &out);
      Cell(Num(h.together), kNumber, &out);
      Cell(Num(h.ahead), kNumber, &out);
      Cell(Num(h.behind), kNumber, &out);
      out += "</tr>\n";
    }
    page::CloseTable(&out);
    out += "</section>\n";
  }
}

// The player's last battles, newest first.
void AppendRecent(const Site& site, const PlayerHistory& history,
                  std::string* html) {
  const ExportModel& model = site.model;
  std::string& out = *html;
  if (!history.battles.empty()) {
    out += "<section><h2 id=\"recent\">Recent battles</h2>\n";
    page::OpenTable("The last battles, newest first",
                    {{"Event", kNumber},
                     {"Level", kText},
                     {"Place", kNumber},
                     {"Points", kNumber | kWide},
                     {"Date", kWide}},
                    false, &out);
    const std::size_t shown = std::min(history.battles.size(), kRecentBattles);
    for (std::size_t k = history.battles.size();
         k-- > history.battles.size() - shown;) {
      const std::size_t b = history.battles[k];
      const ScoredBattle& battle = model.battles[b];
      out += "<tr>";
      Cell(EventLink(site, b, 1), kNumber, &out);
      const std::size_t level = LevelOf(site, battle);
      Cell(level == std::string::npos ? page::Isolated(battle.level)
                                      : LevelLink(site, level, 1),
           kName, &out);
      Cell(Num(history.places[k]) + " of " + Num(battle.ranked.size()), kNumber,
           &out);
      Cell(Num(battle.ranked[history.places[k] - 1].points), kNumber | kWide,
           &out);
      Cell(page::DateCell(battle.date), kWide, &out);
      out += "</tr>\n";
    }
    page::CloseTable(&out);
    out += "</section>\n";
  }
}

}  // namespace

void AddLevelLists(const Site& site, PageSink* site_pages) {
  const std::vector<LevelRecord>& levels = site.records.levels;
  const std::size_t lists = std::max<std::size_t>(
      1, (levels.size() + kRowsPerList - 1) / kRowsPerList);
  for (std::size_t n = 0; n < lists; ++n) {
    std::string out;
    Open(site, "Level records", "Level records",
         "The record on each of " + Num(levels.size()) +
             " levels: the best time, who drove it and when.",
         0, &out);
    AppendPager("levels", lists, n, &out);
    page::OpenTable("The best time ever on every level",
                    {{"Level", kText},
                     {"Battles", kNumber | kWide},
                     {"Record", kNumber},
                     {"Holder", kText},
                     {"Event", kNumber | kWide},
                     {"Date", kWide}},
                    true, &out);
    const std::size_t end = std::min(levels.size(), (n + 1) * kRowsPerList);
    for (std::size_t l = n * kRowsPerList; l < end; ++l) {
      const DrivenTime& record = levels[l].progression.back();
      out += "<tr>";
      Cell(LevelLink(site, l, 0), kName, &out);
      Cell(Num(levels[l].battles), kNumber | kWide, &out);
      Cell(TimeText(record), kNumber, &out);
      Cell(PlayerLink(site, record.player, 0), kName, &out);
      Cell(EventLink(site, record.battle, 0), kNumber | kWide, &out);
      Cell(page::DateCell(site.model.battles[record.battle].date), kWide, &out);
      out += "</tr>\n";
    }
    page::CloseTable(&out);
    Close(site, /*sortable=*/true, &out);
    site_pages->Add(ListPage("levels", n), std::move(out));
  }
}

// Everything AddLevelPage shows of level `l`: a change to what it reads is
// a change here.
std::string LevelDigest(const Site& site, std::size_t l) {
  const LevelRecord& level = site.records.levels[l];
  Digest digest = FrameDigest(site);
  digest.Add("level").Add(level.name).Add(level.battles);
  digest.Add(level.progression.size());
  for (const DrivenTime& t : level.progression) AddToDigest(site, t, &digest);
  digest.Add(level.best.size());
  for (const DrivenTime& t : level.best) AddToDigest(site, t, &digest);
  return digest.Hex();
}

void AddLevelPage(const Site& site, std::size_t l, PageSink* site_pages) {
  if (site_pages->Holds(site.level_files[l], LevelDigest(site, l))) return;
  {
    const LevelRecord& level = site.records.levels[l];
    const DrivenTime& record = level.progression.back();
    const ScoredBattle& held = site.model.battles[record.battle];
    const std::string plain = page::IsolatedPlain(level.name);
    std::string out;
    Open(site, "Level " + plain, "Level " + page::Isolated(level.name),
         "The record, its progression and the ten best times on level " +
             plain + ".",
         1, &out);
    out += "<p>Record: <strong>" + TimeText(record) + "</strong> by " +
           PlayerLink(site, record.player, 1) + " in " +
           Link(BattleHref(site, record.battle, 1),
                "event " + Num(static_cast<std::uint64_t>(held.event))) +
           (held.date.empty() ? "" : ", on " + page::DateCell(held.date)) +
           ". " + Num(level.battles) +
           (level.battles == 1 ? " battle" : " battles") +
           " on this level.</p>\n";
    if (!held.link.empty()) {
      out += "<p class=\"meta\">The level file: " + LevelFileLink(held.link) +
             "</p>\n";
    }
    out += "<h2 id=\"progression\">The record's progression</h2>\n";
    page::OpenTable("Each time the record fell",
                    {{"Player", kText},
                     {"Time", kNumber},
                     {"Event", kNumber | kWide},
                     {"Date", kWide}},
                    false, &out);
    for (auto t = level.progression.rbegin(); t != level.progression.rend();
         ++t) {
      out += "<tr>";
      TimeRow(site, *t, 1, &out);
      out += "</tr>\n";
    }
    page::CloseTable(&out);
    out += "<h2 id=\"best\">The best times</h2>\n";
    page::OpenTable("The best times ever, each player's best only",
                    {{"Pos.", kNumber},
                     {"Player", kText},
                     {"Time", kNumber},
                     {"Event", kNumber | kWide},
                     {"Date", kWide}},
                    false, &out);
    for (std::size_t k = 0; k < level.best.size(); ++k) {
      out += "<tr>";
      Cell(Num(k + 1), kNumber, &out);
      TimeRow(site, level.best[k], 1, &out);
      out += "</tr>\n";
    }
    page::CloseTable(&out);
    Close(site, /*sortable=*/false, &out);
    site_pages->Add(site.level_files[l], std::move(out));
  }
}

void AddPlayerPage(const Site& site, std::size_t position,
                   PageSink* site_pages) {
  const std::size_t player = site.players[position];
  const PlayerHistory& history = site.histories[player];
  const std::string& nick = site.model.standings.scores[player].name;
  const std::string plain = page::IsolatedPlain(nick);
  std::string out;
  Open(site, plain, page::Isolated(nick),
       "Points, personal bests, rivals and recent battles of " + plain + ".", 1,
       &out);
  AppendSummary(site, position, &out);
  out += "<section><h2 id=\"charts\">Over the season</h2>\n";
  AppendPlayerCharts(site, position, history, &out);
  out += "</section>\n";
  const bool bests = AppendBests(site, player, &out);
  AppendRivals(site, history, &out);
  AppendRecent(site, history, &out);
  Close(site, /*sortable=*/bests, &out);
  site_pages->Add(site.player_files[player], std::move(out));
}

void AddPlayersLists(const Site& site, PageSink* site_pages) {
  const ExportModel& model = site.model;
  const std::size_t lists = std::max<std::size_t>(
      1, (site.players.size() + kRowsPerList - 1) / kRowsPerList);
  const std::vector<std::string> hrefs = PlayerHrefs(site, 0);
  for (std::size_t n = 0; n < lists; ++n) {
    std::string out;
    Open(site, "Players", "Players",
         "The standings of all " + Num(site.players.size()) +
             " players, and who started the battles.",
         0, &out);
    AppendPager("players", lists, n, &out);
    const std::size_t end =
        std::min(site.players.size(), (n + 1) * kRowsPerList);
    const PlayerOrder part(
        site.players.begin() + static_cast<std::ptrdiff_t>(n * kRowsPerList),
        site.players.begin() + static_cast<std::ptrdiff_t>(end));
    out += "<section><h2 id=\"standings\">Standings</h2>\n<p>" +
           Link("players-by-rating.html", "The same players by rating") +
           ".</p>\n";
    page::StandingsTable table = RatedTable(site, hrefs);
    table.caption = "Points of every player over all battles";
    table.places_before = &model.season.places_before;
    table.first_place = n * kRowsPerList + 1;
    page::AppendStandings(model.standings.scores, part, table, &out);
    out += "</section>\n";
    if (n == 0) {
      out += "<section><h2 id=\"battles-by\">Battles by</h2>\n";
      page::OpenTable(
          "Who started the battles",
          {{"Pos.", kNumber}, {"Player", kText}, {"Battles", kNumber}}, true,
          &out);
      std::size_t position = 0;
      const std::vector<PlayerScore>& scores = model.standings.scores;
      for (std::size_t i : BattlesStartedOrder(scores, PointsOrder(scores))) {
        if (scores[i].battles_started == 0) continue;
        if (++position > kRowsPerList) break;
        out += "<tr>";
        Cell(Num(position), kNumber, &out);
        Cell(i < site.player_files.size() && !site.player_files[i].empty()
                 ? PlayerLink(site, i, 0)
                 : page::Isolated(scores[i].name),
             kName, &out);
        Cell(Num(static_cast<std::uint32_t>(scores[i].battles_started)),
             kNumber, &out);
        out += "</tr>\n";
      }
      page::CloseTable(&out);
      out += "</section>\n";
    }
    Close(site, /*sortable=*/true, &out);
    site_pages->Add(ListPage("players", n), std::move(out));
  }
}

void AddMonthsPage(const Site& site, PageSink* site_pages) {
  const std::vector<MonthStandings>& months = site.model.season.months;
  if (months.empty()) return;
  std::string out;
  Open(site, "Month by month", "Month by month",
       "Each month's champion and standings.", 0, &out);
  AppendMonths(site.model, &out);
  const std::vector<std::string> hrefs = PlayerHrefs(site, 0);
  for (auto month = months.rbegin(); month != months.rend(); ++month) {
    const Standings& st = month->standings;
    const PlayerOrder order = ScoredPlayers(st);
    // The month's name leads to its battles.
    out += "<section><h2 id=\"month-" + month->month + "\">" +
           Link("battles/" + month->month + ".html", month->month) + "</h2>\n";
    // The month's standings are their own; links go to the players of
    // the season, found by name.
    std::vector<std::string> month_hrefs(st.scores.size());
    for (std::size_t i = 0; i < st.scores.size(); ++i) {
      const std::size_t p = FindPlayer(site.model.standings.scores,
                                       st.scores[i].name, &site.index);
      if (p < hrefs.size()) month_hrefs[i] = hrefs[p];
    }
    if (!order.empty()) {
      // The champion's own battles of the month, beside the month's.
      const PlayerScore& champion = st.scores[order[0]];
      const std::string name =
          "<strong>" + page::Isolated(champion.name) + "</strong>";
      const auto own = static_cast<std::uint32_t>(champion.battles);
      out +=
          "<p>Champion: " +
          (month_hrefs[order[0]].empty() ? name
                                         : Link(month_hrefs[order[0]], name)) +
          ", " + Num(static_cast<std::uint32_t>(champion.points)) +
          " points in " + Num(own) + (own == 1 ? " battle" : " battles") +
          " (of the month's " + Num(st.battles.size()) + ").</p>\n";
    }
    const std::string caption = "Standings of " + month->month;
    page::StandingsTable table;
    table.caption = caption;
    table.hrefs = &month_hrefs;
    page::AppendStandings(
        st.scores,
        PlayerOrder(order.begin(),
                    order.begin() + static_cast<std::ptrdiff_t>(
                                        std::min(order.size(), kRowsPerList))),
        table, &out);
    out += "</section>\n";
  }
  Close(site, /*sortable=*/true, &out);
  site_pages->Add("months.html", std::move(out));
}

}  // namespace vexlane::site_pages

#include "render/site_report.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_set>

#include "base/platform.h"
#include "base/text.h"
#include "render/overall_sections.h"
#include "render/page_parts.h"
#include "render/report_date.h"
#include "render/web_report.h"

namespace vexlane {

using page::Cell;
using page::kName;
using page::kNumber;
using page::kText;
using page::kWide;
using page::Num;
using page::Safe;

namespace {

// Bounds that keep every page small however large the log: a battle page
// holds at most this many battles and is closed once it passes a
// megabyte; a battle's table shows at most this many rows; a list of
// levels or players is split into pages of this many rows.
constexpr std::size_t kBattlesPerPage = 200;
constexpr std::size_t kBattlePageBytes = std::size_t{1} << 20;
constexpr std::size_t kRowsPerBattle = 2000;
constexpr std::size_t kRowsPerList = 1000;
constexpr std::size_t kIndexPlayers = 50;
constexpr std::size_t kRecentBattles = 10;
constexpr std::size_t kLatestUndated = 10;
constexpr std::size_t kChartPoints = 400;
// Level pages rendered as one piece of the two threads' work.
constexpr std::size_t kLevelsATask = 64;

// Everything a page links to, worked out once.
struct Site {
  explicit Site(const ExportModel& m)
      : model(m), records(m.records), histories(m.season.histories) {}
  Site(const Site&) = delete;
  Site& operator=(const Site&) = delete;

  const ExportModel& model;
  const SeasonRecords& records;
  const std::vector<PlayerHistory>& histories;
  PlayerOrder players;                    // the standings' order
  std::vector<std::string> player_files;  // by score; empty: no page
  std::vector<std::string> level_files;   // by records level
  // Written for every personal best of every player page: by records
  // level, its link from a page one folder down and its record's time.
  std::vector<std::string> level_links;
  std::vector<std::string> record_times;
  std::vector<std::string> battle_pages;        // by battle: its page
  std::vector<std::size_t> entry_offsets;       // by battle: in ratings.after
  std::map<std::string, std::size_t> level_of;  // folded name -> level
  bool dated = false;
  // The points of every player of `players` (by position) after each
  // charted battle, `points_at` those battles: one pass for every chart.
  std::vector<std::vector<std::uint64_t>> running;
  std::vector<const ScoredBattle*> points_at;
  // Finds the standings' player of a nick. Prepare fills it, so that the
  // threads that render the pages only read it.
  mutable PlayerIndex index;
};

std::string Folded(std::string_view name) {
  std::string folded;
  UpperInto(name, &folded);
  return folded;
}

// Names each of `names` with a slug none of the others has.
std::vector<std::string> UniqueSlugs(const std::vector<std::string_view>& names,
                                     std::string_view fallback) {
  std::vector<std::string> slugs;
  std::unordered_set<std::string> taken;
  for (std::string_view name : names) {
    const std::string base = FileSlug(name, fallback);
    std::string slug = base;
    for (std::size_t n = 2; !taken.insert(slug).second; ++n) {
      slug = base + "-" + Num(n);
    }
    slugs.push_back(slug);
  }
  return slugs;
}

// A link to a page of the site from a page `depth` folders down.
std::string Href(std::string_view path, int depth) {
  std::string href;
  for (int i = 0; i < depth; ++i) href += "../";
  href += path;
  return href;
}

std::string Link(std::string_view href, std::string_view html) {
  std::string link = "<a href=\"";
  link += href;
  link += "\">";
  link += html;
  link += "</a>";
  return link;
}

std::string PlayerLink(const Site& site, std::size_t player, int depth) {
  std::string name = Safe(site.model.standings.scores[player].name);
  if (site.player_files[player].empty()) return name;
  return Link(Href(site.player_files[player], depth), name);
}

std::string LevelLink(const Site& site, std::size_t level, int depth) {
  return Link(Href(site.level_files[level], depth),
              Safe(site.records.levels[level].name));
}

std::string BattleHref(const Site& site, std::size_t battle, int depth) {
  return Href(site.battle_pages[battle], depth) + "#" +
         BattleAnchor(site.model.battles[battle]);
}

std::string EventLink(const Site& site, std::size_t battle, int depth) {
  return Link(
      BattleHref(site, battle, depth),
      Num(static_cast<std::uint64_t>(site.model.battles[battle].event)));
}

// A time of the records as the report shows it. The records keep it in
// hundredths; a driven time's fields always are (seconds below 60, at most
// 99 hundredths), so this is the entry's own text, found without going
// back to its battle.
std::string TimeText(const DrivenTime& t) {
  TimeEntry e;
  e.hundredths = static_cast<std::uint32_t>(t.hundredths % 100);
  e.seconds = static_cast<std::uint32_t>(t.hundredths / 100 % 60);
  e.minutes = static_cast<std::uint32_t>(t.hundredths / 6000);
  return ShownTime(e);
}

// The frame of every page: the head, the navigation and the heading.
void Open(const Site& site, std::string_view title, std::string_view heading,
          std::string_view description, int depth, std::string* out) {
  page::OpenPage(title, description, out);
  *out += "<nav aria-label=\"Site\"><ul><li>" +
          Link(Href("index.html", depth), "Standings") + "</li><li>" +
          Link(Href("battles.html", depth), "Battles") + "</li><li>" +
          Link(Href("levels.html", depth), "Level records") + "</li><li>" +
          Link(Href("players.html", depth), "Players") + "</li>";
  if (site.dated) {
    *out += "<li>" + Link(Href("months.html", depth), "Months") + "</li>";
  }
  *out += "</ul></nav>\n<h1>";
  *out += heading;
  *out += "</h1>\n";
}

// Links to the pages of a list split into pages: "levels.html",
// "levels-2.html", ...
std::string ListPage(std::string_view base, std::size_t n) {
  return std::string(base) + (n == 0 ? "" : "-" + Num(n + 1)) + ".html";
}

void AppendPager(std::string_view base, std::size_t pages, std::size_t at,
                 std::string* out) {
  if (pages <= 1) return;
  *out += "<nav aria-label=\"Pages\"><ul>";
  for (std::size_t n = 0; n < pages; ++n) {
    *out += "<li>";
    *out += n == at ? "<strong>Page " + Num(n + 1) + "</strong>"
                    : Link(ListPage(base, n), "Page " + Num(n + 1));
    *out += "</li>";
  }
  *out += "</ul></nav>\n";
}

// Groups the battles into pages: by month where they have dates, else by
// event number, never more than kBattlesPerPage or about a megabyte.
struct BattlePage {
  std::string file;   // "battles/2024-11.html"
  std::string title;  // "Battles of 2024-11, events 3 to 9"
  const BattleSections::Page* sections = nullptr;
};

// Names the battle pages and tells every battle its page.
std::vector<BattlePage> NameBattlePages(const BattleSections& sections,
                                        Site* site) {
  const std::vector<ScoredBattle>& battles = site->model.battles;
  std::vector<BattlePage> pages;
  std::map<std::string, std::size_t> parts;  // pages per month so far
  site->battle_pages.resize(battles.size());
  for (const BattleSections::Page& part : sections.pages()) {
    if (part.first >= battles.size()) break;
    const std::size_t end = std::min(part.end, battles.size());
    const std::string first =
        Num(static_cast<std::uint64_t>(battles[part.first].event));
    const std::string last =
        Num(static_cast<std::uint64_t>(battles[end - 1].event));
    const std::string events = part.first + 1 == end
                                   ? "event " + first
                                   : "events " + first + " to " + last;
    BattlePage p;
    p.sections = &part;
    if (!site->dated) {
      p.file = "battles/events-" + first + ".html";
      p.title = "Battles, " + events;
    } else {
      const std::size_t n = ++parts[part.key];
      p.file = "battles/" + part.key + (n > 1 ? "-" + Num(n) : "") + ".html";
      p.title = part.key == "undated"
                    ? "Battles without a date, " + events
                    : "Battles of " + part.key + ", " + events;
    }
    for (std::size_t i = part.first; i < end; ++i)
      site->battle_pages[i] = p.file;
    pages.push_back(std::move(p));
  }
  return pages;
}

// Works out the names and links of the site's pages.
void Prepare(Site* s) {
  Site& site = *s;
  const ExportModel& model = site.model;
  site.dated =
      std::any_of(model.battles.begin(), model.battles.end(),
                  [](const ScoredBattle& b) { return !b.date.empty(); });
  site.players = ScoredPlayers(model.standings);
  std::vector<std::string_view> names;
  for (std::size_t p : site.players) {
    names.push_back(model.standings.scores[p].name);
  }
  const std::vector<std::string> player_slugs = UniqueSlugs(names, "player");
  site.player_files.assign(model.standings.scores.size(), "");
  for (std::size_t i = 0; i < site.players.size(); ++i) {
    site.player_files[site.players[i]] = "players/" + player_slugs[i] + ".html";
  }
  names.clear();
  for (const LevelRecord& level : site.records.levels) {
    names.push_back(level.name);
  }
  for (std::string& slug : UniqueSlugs(names, "level")) {
    site.level_files.push_back("levels/" + slug + ".html");
  }
  for (std::size_t l = 0; l < site.records.levels.size(); ++l) {
    site.level_of.emplace(Folded(site.records.levels[l].name), l);
    site.level_links.push_back(LevelLink(site, l, 1));
    site.record_times.push_back(
        TimeText(site.records.levels[l].progression.back()));
  }
  const std::size_t every =
      std::max<std::size_t>(1, model.battles.size() / kChartPoints);
  FindPlayer(model.standings.scores, "", &site.index);
  site.running = RunningPoints(model.season, site.players, every);
  site.points_at = ChartedBattles(model.season, every);
  std::size_t offset = 0;
  for (const ScoredBattle& b : model.battles) {
    site.entry_offsets.push_back(offset);
    offset += b.ranked.size();
  }
}

// The level page of a battle's level, or npos where none has a time.
std::size_t LevelOf(const Site& site, const ScoredBattle& b) {
  const auto found = site.level_of.find(Folded(b.level));
  return found == site.level_of.end() ? std::string::npos : found->second;
}

// The battles of the last night: those of the last date, or the last few
// battles of a log without dates.
void AppendLatest(const Site& site, std::string* out) {
  const std::vector<ScoredBattle>& battles = site.model.battles;
  if (battles.empty()) return;
  std::size_t first =
      battles.size() > kLatestUndated ? battles.size() - kLatestUndated : 0;
  std::string heading = "The latest battles";
  const std::string& last_date = battles.back().date;
  if (!last_date.empty()) {
    first = battles.size() - 1;
    while (first > 0 && battles[first - 1].date == last_date) --first;
    heading = "The latest battle night, " + last_date;
  }
  *out += "<section><h2 id=\"latest\">" + heading + "</h2>\n";
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
             ? Link(BattleHref(site, i, 0), Safe(b.level))
             : LevelLink(site, level, 0),
         kName, out);
    if (b.ranked.empty()) {
      Cell("", kText, out);
      Cell("", kNumber, out);
    } else {
      const std::size_t winner = FindPlayer(site.model.standings.scores,
                                            b.ranked[0].name, &site.index);
      Cell(winner < site.player_files.size() ? PlayerLink(site, winner, 0)
                                             : Safe(b.ranked[0].name),
           kName, out);
      Cell(ShownTime(b.ranked[0]), kNumber, out);
    }
    *out += "</tr>\n";
  }
  page::CloseTable(out);
  *out += "</section>\n";
}

std::vector<std::string> PlayerHrefs(const Site& site, int depth) {
  std::vector<std::string> hrefs;
  for (const std::string& file : site.player_files) {
    hrefs.push_back(file.empty() ? file : Href(file, depth));
  }
  return hrefs;
}

std::string Index(const Site& site) {
  const ExportModel& model = site.model;
  const std::string span = page::SeasonSpan(model.battles);
  std::string out;
  const std::string facts = Num(model.battles.size()) + " battles, " +
                            Num(site.players.size()) + " players" +
                            (span.empty() ? "" : ", " + span);
  const std::string title = span.empty() ? std::string("Battle statistics")
                                         : "Battle statistics, " + span;
  Open(site, title, title,
       "Standings, level records and player pages of " + facts + ".", 0, &out);
  out += "<p class=\"meta\">" + Num(model.battles.size()) + " battles, " +
         Num(site.players.size()) + " players. Made on " +
         IsoUtcText(model.settings.made) + ".</p>\n";
  out += "<section><h2 id=\"standings\">Standings</h2>\n";
  const PlayerOrder top(
      site.players.begin(),
      site.players.begin() + static_cast<std::ptrdiff_t>(
                                 std::min(site.players.size(), kIndexPlayers)));
  const std::vector<std::string> hrefs = PlayerHrefs(site, 0);
  page::AppendStandings(model.standings.scores, top,
                        top.size() < site.players.size()
                            ? "The " + Num(top.size()) + " best players"
                            : std::string("Points of every player"),
                        &model.ratings, &hrefs, &out);
  if (top.size() < site.players.size()) {
    out +=
        "<p>" +
        Link("players.html", "All " + Num(site.players.size()) + " players") +
        "</p>\n";
  }
  out += "</section>\n";
  AppendLatest(site, &out);
  out += "<section><h2 id=\"season\">The season</h2>\n";
  AppendSeasonChart(model, site.players, &out);
  if (site.dated) AppendMonths(model, &out);
  out += "</section>\n<section><h2 id=\"more\">More</h2>\n<ul><li>" +
         Link("battles.html", "Every battle's results") + "</li><li>" +
         Link("levels.html", "The record on every level") + "</li><li>" +
         Link("players.html", "Every player, and who started the battles") +
         "</li>";
  if (site.dated) {
    out += "<li>" + Link("months.html", "Each month's champion") + "</li>";
  }
  out += "</ul></section>\n";
  page::ClosePage(/*sortable=*/true, &out);
  return out;
}

void AddBattlePages(const Site& site, const std::vector<BattlePage>& pages,
                    PageSink* site_pages) {
  std::string out;
  Open(site, "Battles", "Battles",
       "The results of all " + Num(site.model.battles.size()) + " battles.", 0,
       &out);
  out += "<ul>";
  for (const BattlePage& p : pages) {
    const std::size_t n = p.sections->end - p.sections->first;
    out += "<li>" + Link(p.file, p.title) + " (" + Num(n) +
           (n == 1 ? " battle" : " battles") + ")</li>";
  }
  out += "</ul>\n";
  page::ClosePage(/*sortable=*/false, &out);
  site_pages->Add("battles.html", std::move(out));
  for (const BattlePage& p : pages) {
    out.clear();
    Open(site, p.title, p.title, p.title + ": every result.", 1, &out);
    out += p.sections->body;
    page::ClosePage(/*sortable=*/false, &out);
    site_pages->Add(p.file, std::move(out));
  }
}

// The columns of a driven time: the player, the time, the event and the
// date.
void TimeRow(const Site& site, const DrivenTime& t, int depth,
             std::string* out) {
  const ScoredBattle& b = site.model.battles[t.battle];
  Cell(PlayerLink(site, t.player, depth), kName, out);
  Cell(TimeText(t), kNumber, out);
  Cell(EventLink(site, t.battle, depth), kNumber | kWide, out);
  Cell(b.date, kWide, out);
}

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
      Cell(site.model.battles[record.battle].date, kWide, &out);
      out += "</tr>\n";
    }
    page::CloseTable(&out);
    page::ClosePage(/*sortable=*/true, &out);
    site_pages->Add(ListPage("levels", n), std::move(out));
  }
}

void AddLevelPage(const Site& site, std::size_t l, PageSink* site_pages) {
  {
    const LevelRecord& level = site.records.levels[l];
    const DrivenTime& record = level.progression.back();
    const ScoredBattle& held = site.model.battles[record.battle];
    const std::string name = Safe(level.name);
    std::string out;
    Open(site, "Level " + name, "Level " + name,
         "The record, its progression and the ten best times on level " + name +
             ".",
         1, &out);
    out += "<p>Record: <strong>" + TimeText(record) + "</strong> by " +
           PlayerLink(site, record.player, 1) + " in " +
           Link(BattleHref(site, record.battle, 1),
                "event " + Num(static_cast<std::uint64_t>(held.event))) +
           (held.date.empty() ? "" : ", on " + held.date) + ". " +
           Num(level.battles) + (level.battles == 1 ? " battle" : " battles") +
           " on this level.</p>\n";
    if (!held.link.empty()) {
      const std::string folded = Folded(held.link);
      const bool web =
          folded.starts_with("http://") || folded.starts_with("https://");
      out += "<p class=\"meta\">The level file: " +
             (web ? Link(Safe(held.link), Safe(held.link))
                  : "<code>" + Safe(held.link) + "</code>") +
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
    page::ClosePage(/*sortable=*/false, &out);
    site_pages->Add(site.level_files[l], std::move(out));
  }
}

// The points of one player after each of `every` battles, with the
// battles they were taken after.
void AppendPlayerCharts(const Site& site, std::size_t position,
                        const PlayerHistory& history, std::string* out) {
  const ExportModel& model = site.model;
  const std::size_t player = site.players[position];
  const std::size_t events = model.battles.size();
  const std::vector<std::uint64_t>& totals = site.running[position];
  const std::vector<const ScoredBattle*>& at = site.points_at;
  const std::string name = Safe(model.standings.scores[player].name);
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
    rating[0].values.push_back(
        model.ratings.after[site.entry_offsets[b] + history.places[k] - 1]);
    rated.push_back(&model.battles[b]);
  }
  if (rating[0].values.size() < 2) return;
  page::AppendLineChart(
      "Rating over the season", "Rating", page::SeasonLabels(rated), rating,
      name + "'s rating after each battle; now " +
          RatingText(Ordinal(model.ratings.players[player].rating)) + ".",
      out);
}

void AddPlayerPage(const Site& site, std::size_t position,
                   PageSink* site_pages) {
  const ExportModel& model = site.model;
  const std::size_t player = site.players[position];
  const PlayerScore& s = model.standings.scores[player];
  const PlayerHistory& history = site.histories[player];
  const PlayerRating& r = model.ratings.players[player];
  const std::string name = Safe(s.name);
  std::string out;
  Open(site, name + ": battle statistics", name,
       "Points, personal bests, rivals and recent battles of " + name + ".", 1,
       &out);
  const auto battles = static_cast<std::uint32_t>(s.battles);
  out += "<section><h2 id=\"summary\">Summary</h2>\n";
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
  const std::string rating = RatingText(Ordinal(r.rating));
  row("Rating", Provisional(r) ? rating + " (provisional)" : rating);
  page::CloseTable(&out);
  out += "</section>\n<section><h2 id=\"charts\">Over the season</h2>\n";
  AppendPlayerCharts(site, position, history, &out);
  out += "</section>\n";

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
      out += model.battles[best.battle].date;
      out += "</td></tr>\n";
    }
    page::CloseTable(&out);
    out += "</section>\n";
  }

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
      Cell(level == std::string::npos ? Safe(battle.level)
                                      : LevelLink(site, level, 1),
           kName, &out);
      Cell(Num(history.places[k]) + " of " + Num(battle.ranked.size()), kNumber,
           &out);
      Cell(Num(battle.ranked[history.places[k] - 1].points), kNumber | kWide,
           &out);
      Cell(battle.date, kWide, &out);
      out += "</tr>\n";
    }
    page::CloseTable(&out);
    out += "</section>\n";
  }
  page::ClosePage(/*sortable=*/!bests.empty(), &out);
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
    out += "<section><h2 id=\"standings\">Standings</h2>\n";
    page::AppendStandings(model.standings.scores, part,
                          "Points of every player over all battles",
                          &model.ratings, &hrefs, &out);
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
                 : Safe(scores[i].name),
             kName, &out);
        Cell(Num(static_cast<std::uint32_t>(scores[i].battles_started)),
             kNumber, &out);
        out += "</tr>\n";
      }
      page::CloseTable(&out);
      out += "</section>\n";
    }
    page::ClosePage(/*sortable=*/true, &out);
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
    out += "<section><h2 id=\"month-" + month->month + "\">" + month->month +
           "</h2>\n";
    if (!order.empty()) {
      out += "<p>Champion: <strong>" + Safe(st.scores[order[0]].name) +
             "</strong>, " +
             Num(static_cast<std::uint32_t>(st.scores[order[0]].points)) +
             " points in " + Num(st.battles.size()) +
             (st.battles.size() == 1 ? " battle" : " battles") + ".</p>\n";
    }
    // The month's standings are their own; links go to the players of
    // the season, found by name.
    std::vector<std::string> month_hrefs(st.scores.size());
    for (std::size_t i = 0; i < st.scores.size(); ++i) {
      const std::size_t p = FindPlayer(site.model.standings.scores,
                                       st.scores[i].name, &site.index);
      if (p < hrefs.size()) month_hrefs[i] = hrefs[p];
    }
    page::AppendStandings(
        st.scores,
        PlayerOrder(order.begin(),
                    order.begin() + static_cast<std::ptrdiff_t>(
                                        std::min(order.size(), kRowsPerList))),
        "Standings of " + month->month, nullptr, &month_hrefs, &out);
    out += "</section>\n";
  }
  page::ClosePage(/*sortable=*/true, &out);
  site_pages->Add("months.html", std::move(out));
}

}  // namespace

std::string FileSlug(std::string_view name, std::string_view fallback) {
  std::string slug = page::AsciiSlug(name);
  if (slug.empty()) return std::string(fallback);
  // Names Windows keeps for devices, whatever the extension.
  static constexpr std::string_view kDevices[] = {"con", "prn", "aux", "nul"};
  const bool device = std::find(std::begin(kDevices), std::end(kDevices),
                                slug) != std::end(kDevices) ||
                      (slug.size() == 4 &&
                       (slug.starts_with("com") || slug.starts_with("lpt")) &&
                       IsDigitByte(slug[3]));
  return device ? slug + "-" + std::string(fallback) : slug;
}

void BattleSections::Add(const ScoredBattle& battle) {
  const std::string key =
      battle.date.size() >= 7 ? battle.date.substr(0, 7) : "undated";
  if (pages_.empty() || pages_.back().key != key ||
      battles_ - pages_.back().first >= kBattlesPerPage ||
      pages_.back().body.size() >= kBattlePageBytes) {
    pages_.push_back({key, battles_, battles_, {}});
  }
  page::AppendBattle(battle, BattleAnchor(battle), kRowsPerBattle, 2,
                     &pages_.back().body);
  pages_.back().end = ++battles_;
}

void RenderSite(const ExportModel& model, const BattleSections* sections,
                PageSink* sink) {
  Site site(model);
  Prepare(&site);
  BattleSections here;
  if (sections == nullptr) {
    for (const ScoredBattle& b : model.battles) here.Add(b);
    sections = &here;
  }
  const std::vector<BattlePage> battle_pages =
      NameBattlePages(*sections, &site);
  // The pages stand alone: two threads take them from one list, the
  // largest first, so that neither waits long for the other at the end.
  std::vector<std::function<void()>> pages;
  for (std::size_t i = 0; i < site.players.size(); ++i) {
    pages.push_back([&site, sink, i] { AddPlayerPage(site, i, sink); });
  }
  for (std::size_t l = 0; l < site.records.levels.size(); l += kLevelsATask) {
    pages.push_back([&site, sink, l] {
      const std::size_t end =
          std::min(site.records.levels.size(), l + kLevelsATask);
      for (std::size_t k = l; k < end; ++k) AddLevelPage(site, k, sink);
    });
  }
  pages.push_back([&site, sink] { sink->Add("index.html", Index(site)); });
  pages.push_back([&site, &battle_pages, sink] {
    AddBattlePages(site, battle_pages, sink);
  });
  pages.push_back([&site, sink] { AddLevelLists(site, sink); });
  pages.push_back([&site, sink] { AddPlayersLists(site, sink); });
  if (site.dated) pages.push_back([&site, sink] { AddMonthsPage(site, sink); });
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::exception_ptr failure;
  const auto take = [&]() {
    try {
      for (std::size_t i = next++; i < pages.size() && !failed; i = next++) {
        pages[i]();
      }
    } catch (...) {
      failed = true;
      return std::current_exception();
    }
    return std::exception_ptr();
  };
  std::thread helper = ThreadWithoutSignals([&] { failure = take(); });
  const std::exception_ptr own = take();
  helper.join();
  if (own) std::rethrow_exception(own);
  if (failure) std::rethrow_exception(failure);
}

std::vector<SitePage> RenderSite(const ExportModel& model) {
  class Pages : public PageSink {
   public:
    void Add(std::string path, std::string text) override {
      const std::lock_guard<std::mutex> hold(mutex_);
      pages_.push_back({std::move(path), std::move(text)});
    }
    std::vector<SitePage> pages_;

   private:
    std::mutex mutex_;
  } pages;
  RenderSite(model, nullptr, &pages);
  // The index first, whichever thread was quicker.
  std::stable_partition(
      pages.pages_.begin(), pages.pages_.end(),
      [](const SitePage& page) { return page.path == "index.html"; });
  return std::move(pages.pages_);
}

}  // namespace vexlane

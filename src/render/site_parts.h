// The parts the static site's pages share: the bounds that keep every page
// small, what every page links to (worked out once), the links and the
// frame of a page; and the renderers of the level and player pages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/digest.h"
#include "base/page_sink.h"
#include "render/export_model.h"
#include "render/page_parts.h"
#include "render/site_report.h"

namespace vexlane::site_pages {

// The page parts every page of the site is made of.
using page::Cell;
using page::kName;
using page::kNumber;
using page::kText;
using page::kWide;
using page::Num;
using page::Safe;

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
  std::vector<std::string> battle_pages;        // by battle: its list page
  std::vector<std::string> battle_files;        // by battle: its own page
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

std::string Folded(std::string_view name);

// A link to a page of the site from a page `depth` folders down.
std::string Href(std::string_view path, int depth);

std::string Link(std::string_view href, std::string_view html);

std::string PlayerLink(const Site& site, std::size_t player, int depth);

std::string LevelLink(const Site& site, std::size_t level, int depth);

// The battle's own page, and the battle in its list page.
std::string BattleHref(const Site& site, std::size_t battle, int depth);
std::string ListedHref(const Site& site, std::size_t battle, int depth);

// A level file's address as the log gave it: a link where it is http or
// https (never followed by search engines), else text.
std::string LevelFileLink(std::string_view link);

std::string EventLink(const Site& site, std::size_t battle, int depth);

// A time of the records as the report shows it. The records keep it in
// hundredths; a driven time's fields always are (seconds below 60, at most
// 99 hundredths), so this is the entry's own text, found without going
// back to its battle.
std::string TimeText(const DrivenTime& t);

// The digest a page's own starts from: what the frame of every page is made
// of besides its texts (the program's version, whether the site has
// months, the site's title, home and custom.css). A renderer that asks its sink
// whether it holds a page adds to it everything the page shows.
Digest FrameDigest(const Site& site);

// Adds to `digest` what TimeRow and the links of a driven time show: the
// player and their page, the time, the battle, its page and anchor.
void AddToDigest(const Site& site, const DrivenTime& t, Digest* digest);

// The frame of every page: the head, the navigation and the heading. The
// page's <title> is `title` followed by the site's.
void Open(const Site& site, std::string_view title, std::string_view heading,
          std::string_view description, int depth, std::string* out);

// The same frame with `title` the page's whole <title> (the front page's,
// which starts with the site's title itself).
void OpenTitled(const Site& site, std::string_view title,
                std::string_view heading, std::string_view description,
                int depth, std::string* out);

// The site's title, safe HTML.
std::string SiteTitle(const Site& site);

// The footer and the end of every page.
void Close(const Site& site, bool sortable, std::string* out);

// Links to the pages of a list split into pages: "levels.html",
// "levels-2.html", ...
std::string ListPage(std::string_view base, std::size_t n);

void AppendPager(std::string_view base, std::size_t pages, std::size_t at,
                 std::string* out);

// The level page of a battle's level, or npos where none has a time.
std::size_t LevelOf(const Site& site, const ScoredBattle& b);

std::vector<std::string> PlayerHrefs(const Site& site, int depth);

// A standings table of the site's top pages with the ratings, the links of
// `hrefs` (PlayerHrefs at depth 0) and the rating page.
page::StandingsTable RatedTable(const Site& site,
                                const std::vector<std::string>& hrefs);

// The columns of a driven time: the player, the time, the event and the
// date.
void TimeRow(const Site& site, const DrivenTime& t, int depth,
             std::string* out);

void AddLevelLists(const Site& site, PageSink* site_pages);

void AddLevelPage(const Site& site, std::size_t l, PageSink* site_pages);

void AddPlayerPage(const Site& site, std::size_t position,
                   PageSink* site_pages);

void AddPlayersLists(const Site& site, PageSink* site_pages);

void AddMonthsPage(const Site& site, PageSink* site_pages);

// The pages of the battles' results: grouped by month (by number where
// the log has no dates), at most kBattlesPerPage or about a megabyte each.
struct BattlePage {
  std::string file;   // "battles/2024-11.html"
  std::string title;  // "Battles of 2024-11, events 3 to 9"
  const BattleSections::Page* sections = nullptr;
};

// Names the list pages and each battle's own page, and tells every battle
// both.
std::vector<BattlePage> NameBattlePages(const BattleSections& sections,
                                        Site* site);

// battles.html.
void AddBattleLists(const Site& site, const std::vector<BattlePage>& pages,
                    PageSink* site_pages);

// A list page and the own page of each of its battles.
void AddBattleList(const Site& site, const BattleSections& sections,
                   const BattlePage& p, PageSink* site_pages);

// The page of the battle at position `i`, `results` its results table
// with its links filled in.
void AddBattlePage(const Site& site, std::size_t i, std::string_view results,
                   PageSink* site_pages);

// `html` with its late links (page::kLateLink) given their addresses from
// a page `depth` folders down; a name without a page keeps an <a> with no
// address.
void ResolveLateLinks(const Site& site, std::string_view html, int depth,
                      std::string* out);

// The front page's latest battle night.
void AppendLatest(const Site& site, std::string* out);

// The name of the standings' player of `nick`, linked to their page where
// they have one; the nick itself where no player of the standings has it.
std::string NickLink(const Site& site, std::string_view nick, int depth);

// "How the rating works" and the players by rating.
void AddRatingPages(const Site& site, PageSink* site_pages);

}  // namespace vexlane::site_pages

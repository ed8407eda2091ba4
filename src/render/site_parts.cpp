// Links and the frame every page of the site shares.
#include "render/site_parts.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/version.h"
#include "render/overall_sections.h"
#include "render/page_parts.h"
#include "render/report_date.h"
#include "render/web_report.h"

namespace vexlane::site_pages {

std::string Folded(std::string_view name) {
  std::string folded;
  UpperInto(name, &folded);
  return folded;
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
  std::string name = page::Isolated(site.model.standings.scores[player].name);
  if (site.player_files[player].empty()) return name;
  return Link(Href(site.player_files[player], depth), name);
}

std::string LevelFileLink(std::string_view link) {
  const std::string folded = Folded(link);
  if (!folded.starts_with("HTTP://") && !folded.starts_with("HTTPS://")) {
    return "<code>" + page::Isolated(link) + "</code>";
  }
  return "<a rel=\"nofollow noopener\" href=\"" + page::Safe(link) + "\">" +
         page::Isolated(link) + "</a>";
}

std::string NickLink(const Site& site, std::string_view nick, int depth) {
  const std::size_t player =
      FindPlayer(site.model.standings.scores, nick, &site.index);
  return player < site.player_files.size() ? PlayerLink(site, player, depth)
                                           : page::Isolated(nick);
}

std::string LevelLink(const Site& site, std::size_t level, int depth) {
  return Link(Href(site.level_files[level], depth),
              page::Isolated(site.records.levels[level].name));
}

std::string BattleHref(const Site& site, std::size_t battle, int depth) {
  return Href(site.battle_files[battle], depth);
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

Digest FrameDigest(const Site& site) {
  Digest digest;
  const ExportSettings& look = site.model.settings;
  digest.Add("site page").Add(ProgramVersion()).Add(site.dated ? 1 : 0);
  digest.Add(look.title).Add(look.home).Add(look.custom_css ? 1 : 0);
  return digest;
}

void AddToDigest(const Site& site, const DrivenTime& t, Digest* digest) {
  const ScoredBattle& b = site.model.battles[t.battle];
  digest->Add(site.model.standings.scores[t.player].name)
      .Add(site.player_files[t.player])
      .Add(t.hundredths)
      .Add(site.battle_files[t.battle])
      .Add(static_cast<std::uint64_t>(b.event))
      .Add(b.level)
      .Add(b.date)
      .Add(b.link);
}

// The en dash between a page's own title and the site's.
constexpr std::string_view kTitleJoint = " \u2013 ";

std::string SiteTitle(const Site& site) {
  // Isolated: a right-to-left title keeps the span and the page's words
  // beside it in their order.
  return page::IsolatedPlain(site.model.settings.title);
}

void Open(const Site& site, std::string_view title, std::string_view heading,
          std::string_view description, int depth, std::string* out) {
  std::string whole(title);
  whole += kTitleJoint;
  whole += SiteTitle(site);
  OpenTitled(site, whole, heading, description, depth, out);
}

void OpenTitled(const Site& site, std::string_view title,
                std::string_view heading, std::string_view description,
                int depth, std::string* out) {
  page::OpenPage(title, description,
                 site.model.settings.custom_css ? Href(kCustomStyleFile, depth)
                                                : std::string(),
                 out);
  *out += "<nav aria-label=\"Site\"><ul><li>" +
          Link(Href("index.html", depth), "Standings") + "</li><li>" +
          Link(Href("battles.html", depth), "Battles") + "</li><li>" +
          Link(Href("levels.html", depth), "Level records") + "</li><li>" +
          Link(Href("players.html", depth), "Players") + "</li>";
  if (site.dated) {
    *out += "<li>" + Link(Href("months.html", depth), "Months") + "</li>";
  }
  *out += "<li>" + Link(Href("rating.html", depth), "Rating") + "</li>";
  *out += "</ul></nav>\n<h1>";
  *out += heading;
  *out += "</h1>\n";
}

void Close(const Site& site, bool sortable, std::string* out) {
  page::ClosePage(sortable, site.model.settings.home, out);
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

// The level page of a battle's level, or npos where none has a time.
std::size_t LevelOf(const Site& site, const ScoredBattle& b) {
  const auto found = site.level_of.find(Folded(b.level));
  return found == site.level_of.end() ? std::string::npos : found->second;
}

page::StandingsTable RatedTable(const Site& site,
                                const std::vector<std::string>& hrefs) {
  page::StandingsTable table;
  table.ratings = &site.model.ratings;
  table.hrefs = &hrefs;
  table.rating_page = "rating.html";
  return table;
}

std::vector<std::string> PlayerHrefs(const Site& site, int depth) {
  std::vector<std::string> hrefs;
  for (const std::string& file : site.player_files) {
    hrefs.push_back(file.empty() ? file : Href(file, depth));
  }
  return hrefs;
}

// The columns of a driven time: the player, the time, the event and the
// date.
void TimeRow(const Site& site, const DrivenTime& t, int depth,
             std::string* out) {
  const ScoredBattle& b = site.model.battles[t.battle];
  Cell(PlayerLink(site, t.player, depth), kName, out);
  Cell(TimeText(t), kNumber, out);
  Cell(EventLink(site, t.battle, depth), kNumber | kWide, out);
  Cell(page::DateCell(b.date), kWide, out);
}

}  // namespace vexlane::site_pages

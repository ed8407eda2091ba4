// The battles' pages: the lists of results by month (or by number where
// the log has no dates), a page of every battle, and the links of their
// names, filled in once the site knows its pages.
#include <algorithm>
#include <charconv>
#include <map>
#include <string>
#include <vector>

#include "render/overall_sections.h"
#include "render/page_parts.h"
#include "render/site_parts.h"
#include "render/web_report.h"

namespace vexlane::site_pages {

namespace {

// The address a late link of `kind` stands for, from a page `depth`
// folders down; empty where its name has no page.
std::string LateHref(const Site& site, char kind, std::size_t battle,
                     std::size_t entry, int depth) {
  const std::vector<ScoredBattle>& battles = site.model.battles;
  if (battle >= battles.size()) return "";
  const ScoredBattle& b = battles[battle];
  if (kind == page::kLateLevel) {
    const std::size_t level = LevelOf(site, b);
    return level == std::string::npos ? ""
                                      : Href(site.level_files[level], depth);
  }
  std::string_view nick;
  if (kind == page::kLateStarter) {
    nick = ShownStarter(b);
  } else if (entry < b.ranked.size()) {
    nick = b.ranked[entry].name;
  } else {
    return "";
  }
  const std::size_t player =
      FindPlayer(site.model.standings.scores, nick, &site.index);
  if (player >= site.player_files.size() || site.player_files[player].empty())
    return "";
  return Href(site.player_files[player], depth);
}

}  // namespace

// Groups the battles into pages: by month where they have dates, else by
// event number, never more than kBattlesPerPage or about a megabyte.

// Names the battle pages and tells every battle its page.
std::vector<BattlePage> NameBattlePages(const BattleSections& sections,
                                        Site* site) {
  const std::vector<ScoredBattle>& battles = site->model.battles;
  std::vector<BattlePage> pages;
  std::map<std::string, std::size_t> parts;  // pages per month so far
  site->battle_pages.resize(battles.size());
  site->battle_files.resize(battles.size());
  for (std::size_t i = 0; i < battles.size() && i < sections.battles().size();
       ++i) {
    site->battle_files[i] = "battles/" + sections.battles()[i].file;
  }
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

void ResolveLateLinks(const Site& site, std::string_view html, int depth,
                      std::string* out) {
  const std::string_view mark = page::kLateLink;
  std::size_t at = 0;
  for (std::size_t found = html.find(mark); found != std::string_view::npos;
       found = html.find(mark, at)) {
    *out += html.substr(at, found - at);
    const std::size_t kind_at = found + mark.size();
    const std::size_t end = html.find('\x02', kind_at);
    if (end == std::string_view::npos || kind_at >= end) break;
    const char* p = html.data() + kind_at + 1;
    const char* stop = html.data() + end;
    std::size_t battle = 0, entry = 0;
    p = std::from_chars(p, stop, battle).ptr;
    if (p < stop && *p == '.') std::from_chars(p + 1, stop, entry);
    const std::string href =
        LateHref(site, html[kind_at], battle, entry, depth);
    // What follows the mark is the attribute's closing quote.
    if (href.empty()) {
      *out += "<a";
      at = end + 2;
    } else {
      *out += "<a href=\"" + href;
      at = end + 1;
    }
  }
  *out += html.substr(std::min(at, html.size()));
}

std::string ListedHref(const Site& site, std::size_t battle, int depth) {
  return Href(site.battle_pages[battle], depth) + "#" +
         BattleAnchor(site.model.battles[battle]);
}

void AddBattleLists(const Site& site, const std::vector<BattlePage>& pages,
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
  Close(site, /*sortable=*/false, &out);
  site_pages->Add("battles.html", std::move(out));
}

void AddBattleList(const Site& site, const BattleSections& sections,
                   const BattlePage& p, PageSink* site_pages) {
  // The links are filled in once, battle by battle, and each battle's own
  // page takes its results from the list's.
  const std::string_view from = p.sections->body;
  std::string body;
  body.reserve(from.size() + (from.size() >> 3));
  struct Span {
    std::size_t begin, end;
  };
  std::vector<Span> results;
  const std::size_t end = std::min(
      {p.sections->end, sections.battles().size(), site.model.battles.size()});
  std::size_t at = 0;
  for (std::size_t i = p.sections->first; i < end; ++i) {
    const BattleSections::Battle& own = sections.battles()[i];
    ResolveLateLinks(site, from.substr(at, own.results - at), 1, &body);
    const std::size_t begin = body.size();
    ResolveLateLinks(site, from.substr(own.results, own.end - own.results), 1,
                     &body);
    results.push_back({begin, body.size()});
    at = own.end;
  }
  ResolveLateLinks(site, from.substr(std::min(at, from.size())), 1, &body);
  Digest digest = FrameDigest(site);
  digest.Add("battles").Add(p.title).Add(body);
  if (!site_pages->Holds(p.file, digest.Hex())) {
    std::string out;
    Open(site, p.title, p.title, p.title + ": every result.", 1, &out);
    out += body;
    Close(site, /*sortable=*/false, &out);
    site_pages->Add(p.file, std::move(out));
  }
  for (std::size_t i = p.sections->first; i < end; ++i) {
    const Span& r = results[i - p.sections->first];
    AddBattlePage(site, i,
                  std::string_view(body).substr(r.begin, r.end - r.begin),
                  site_pages);
  }
}

namespace {

// The facts of a battle's page: who started it, when, how long, how many
// took part, and the level's file.
void AppendFacts(const Site& site, std::size_t i, std::string* out) {
  const ScoredBattle& b = site.model.battles[i];
  std::string facts;
  if (!ShownStarter(b).empty()) {
    facts += "Started by " + NickLink(site, ShownStarter(b), 1);
  }
  const std::string when = page::WhenText(b.date, b.start_stamp);
  if (!when.empty()) facts += (facts.empty() ? "Driven " : ", ") + when;
  if (const int length = ShownLengthMinutes(b)) {
    facts += " (" + Num(static_cast<std::uint64_t>(length)) + " mins)";
  }
  const std::size_t n = b.ranked.size();
  facts += (facts.empty() ? "" : ". ") + Num(n) +
           (n == 1 ? " player took part." : " players took part.");
  *out += "<p>" + facts + "</p>\n";
  if (!b.link.empty()) {
    *out +=
        "<p class=\"meta\">The level file: " + LevelFileLink(b.link) + "</p>\n";
  }
}

// The battles before and after, and the list it is in.
void AppendBattleNav(const Site& site, std::size_t i, std::string* out) {
  const std::vector<ScoredBattle>& battles = site.model.battles;
  const auto event = [&](std::size_t k) {
    return "event " + Num(static_cast<std::uint64_t>(battles[k].event));
  };
  *out += "<nav aria-label=\"Battles\"><ul>";
  if (i > 0) {
    *out += "<li>" +
            Link(Href(site.battle_files[i - 1], 1), "Before: " + event(i - 1)) +
            "</li>";
  }
  if (i + 1 < battles.size()) {
    *out += "<li>" +
            Link(Href(site.battle_files[i + 1], 1), "After: " + event(i + 1)) +
            "</li>";
  }
  *out += "<li>" + Link(ListedHref(site, i, 1), "In the list of battles") +
          "</li></ul></nav>\n";
}

}  // namespace

void AddBattlePage(const Site& site, std::size_t i, std::string_view results,
                   PageSink* site_pages) {
  const ScoredBattle& b = site.model.battles[i];
  const std::size_t level = LevelOf(site, b);
  const std::string level_html = level == std::string::npos
                                     ? page::Isolated(b.level)
                                     : LevelLink(site, level, 1);
  std::string middle;
  AppendFacts(site, i, &middle);
  std::string nav;
  AppendBattleNav(site, i, &nav);
  Digest digest = FrameDigest(site);
  digest.Add("battle").Add(level_html).Add(middle).Add(results).Add(nav);
  if (site_pages->Holds(site.battle_files[i], digest.Hex())) return;
  const std::string event = "Event " + Num(static_cast<std::uint64_t>(b.event));
  std::string out;
  Open(site, event + ": " + page::IsolatedPlain(b.level),
       event + ": " + level_html,
       "The results of " + event + " on level " + page::IsolatedPlain(b.level) +
           ".",
       1, &out);
  out += middle;
  out += results;
  out += nav;
  Close(site, /*sortable=*/false, &out);
  site_pages->Add(site.battle_files[i], std::move(out));
}

}  // namespace vexlane::site_pages

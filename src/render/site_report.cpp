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
#include "render/site_parts.h"
#include "render/web_report.h"

namespace vexlane {

namespace site_pages {
namespace {

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

std::string Index(const Site& site) {
  const ExportModel& model = site.model;
  const std::string span = page::SeasonSpan(model.battles);
  std::string out;
  const std::string counts = page::Counted(model.battles.size(), "battle") +
                             ", " +
                             page::Counted(site.players.size(), "player");
  const std::string facts = counts + (span.empty() ? "" : ", " + span);
  const std::string title =
      span.empty() ? SiteTitle(site) : SiteTitle(site) + ", " + span;
  // A date of the heading never breaks across lines on a phone.
  std::string heading = SiteTitle(site);
  if (!span.empty()) {
    const std::size_t to = span.find(" to ");
    heading += ", <span class=\"nw\">" + span.substr(0, to) + "</span>";
    if (to != std::string::npos) {
      heading += " to <span class=\"nw\">" + span.substr(to + 4) + "</span>";
    }
  }
  OpenTitled(site, title, heading,
             "Standings, level records and player pages of " + facts + ".", 0,
             &out);
  out += "<p class=\"meta\">" + counts + ". Made on " +
         page::InstantText(IsoUtcText(model.settings.made)) + ".</p>\n";
  out += "<section><h2 id=\"standings\">Standings</h2>\n";
  const PlayerOrder top(
      site.players.begin(),
      site.players.begin() + static_cast<std::ptrdiff_t>(
                                 std::min(site.players.size(), kIndexPlayers)));
  const std::vector<std::string> hrefs = PlayerHrefs(site, 0);
  const std::string caption = top.size() < site.players.size()
                                  ? "The " + Num(top.size()) + " best players"
                                  : std::string("Points of every player");
  page::StandingsTable table = RatedTable(site, hrefs);
  table.caption = caption;
  table.places_before = &model.season.places_before;
  page::AppendStandings(model.standings.scores, top, table, &out);
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
         "</li><li>" +
         Link("players-by-rating.html", "Every player by rating") +
         "</li><li>" + Link("rating.html", "How the rating works") + "</li>";
  if (site.dated) {
    out += "<li>" + Link("months.html", "Each month's champion") + "</li>";
  }
  out += "</ul></section>\n";
  Close(site, /*sortable=*/true, &out);
  return out;
}

}  // namespace
}  // namespace site_pages

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

bool IsSiteOwnName(std::string_view name) {
  std::string lower;
  for (const char c : name) {
    lower += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  // The folders of the pages, and the top pages with their numbered
  // continuations (ListPage).
  static constexpr std::string_view kFolders[] = {"players", "levels",
                                                  "battles"};
  static constexpr std::string_view kPages[] = {
      "index",  "battles", "levels",           "players",
      "months", "rating",  "players-by-rating"};
  if (std::find(std::begin(kFolders), std::end(kFolders), lower) !=
      std::end(kFolders)) {
    return true;
  }
  std::string_view rest = lower;
  if (!rest.ends_with(".html")) return false;
  rest.remove_suffix(5);
  for (std::string_view base : kPages) {
    if (!rest.starts_with(base)) continue;
    std::string_view number = rest.substr(base.size());
    if (number.empty()) return true;
    if (number[0] != '-' || number.size() < 2) continue;
    number.remove_prefix(1);
    if (std::all_of(number.begin(), number.end(), IsDigitByte)) return true;
  }
  return false;
}

void BattleSections::Add(const ScoredBattle& battle,
                         std::span<const std::uint8_t> marks) {
  using namespace site_pages;
  const std::string key =
      battle.date.size() >= 7 ? battle.date.substr(0, 7) : "undated";
  const std::size_t at = battles_.size();
  if (pages_.empty() || pages_.back().key != key ||
      at - pages_.back().first >= kBattlesPerPage ||
      pages_.back().body.size() >= kBattlePageBytes) {
    pages_.push_back({key, at, at, {}});
  }
  // A number the log gave two battles (it should not) names two pages.
  const std::size_t seen = ++events_[battle.event];
  Battle own;
  own.file = "event-" + Num(static_cast<std::uint64_t>(battle.event)) +
             (seen > 1 ? "-" + Num(seen) : "") + ".html";
  own.page = pages_.size() - 1;
  std::string& body = pages_.back().body;
  const page::BattleLinks links{at, own.file};
  own.results = page::AppendBattle(battle, BattleAnchor(battle), kRowsPerBattle,
                                   2, marks, &body, &links);
  own.end = body.size() - std::string_view("</section>\n").size();
  battles_.push_back(std::move(own));
  pages_.back().end = battles_.size();
}

void RenderSite(const ExportModel& model, const BattleSections* sections,
                PageSink* sink) {
  using namespace site_pages;
  Site site(model);
  Prepare(&site);
  BattleSections here;
  if (sections == nullptr) {
    const std::span<const std::uint8_t> marks = model.records.marks;
    std::size_t entries = 0;
    for (const ScoredBattle& b : model.battles) {
      const std::size_t n = b.ranked.size();
      here.Add(b, MarksOf(marks, entries, n));
      entries += n;
    }
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
    AddBattleLists(site, battle_pages, sink);
  });
  for (const BattlePage& p : battle_pages) {
    pages.push_back([&site, sections, &p, sink] {
      AddBattleList(site, *sections, p, sink);
    });
  }
  pages.push_back([&site, sink] { AddLevelLists(site, sink); });
  pages.push_back([&site, sink] { AddPlayersLists(site, sink); });
  pages.push_back([&site, sink] { AddRatingPages(site, sink); });
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

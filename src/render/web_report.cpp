#include "render/web_report.h"

#include <algorithm>
#include <cstdio>

#include "base/text.h"
#include "base/utf8.h"
#include "base/version.h"
#include "render/html.h"
#include "render/overall_sections.h"
#include "render/page_parts.h"
#include "render/report_date.h"

namespace vexlane {

using page::Cell;
using page::Column;
using page::Isolated;
using page::kName;
using page::kNumber;
using page::kText;
using page::kWide;
using page::Num;

namespace {

constexpr std::size_t kChartPlayers = 10;
constexpr std::size_t kChartPoints = 400;  // per line, at the most

void AppendIndex(const ExportModel& model, std::string* out) {
  *out += "<section><h2 id=\"index\">Battle index</h2>\n";
  page::OpenTable("Every battle, with its winner",
                  {{"Level", kText},
                   {"Event", kNumber},
                   {"Date", kWide},
                   {"Players", kNumber | kWide},
                   {"Winner", kText},
                   {"Time", kNumber}},
                  true, out);
  for (const ScoredBattle& b : model.battles) {
    *out += "<tr>";
    Cell("<a href=\"#" + BattleAnchor(b) + "\">" + Isolated(b.level) + "</a>",
         kName, out);
    Cell(Num(static_cast<std::uint64_t>(b.event)), kNumber, out);
    Cell(b.date, kWide, out);
    Cell(Num(b.ranked.size()), kNumber | kWide, out);
    if (b.ranked.empty()) {
      Cell("", kText, out);
      Cell("", kNumber, out);
    } else {
      Cell(Isolated(b.ranked[0].name), kName, out);
      Cell(ShownTime(b.ranked[0]), kNumber, out,
           page::TimeSortKey(b.ranked[0]));
    }
    *out += "</tr>\n";
  }
  page::CloseTable(out);
  *out += "</section>\n";
}

}  // namespace

void AppendSeasonChart(const ExportModel& model, const PlayerOrder& best,
                       std::string* out) {
  const std::vector<PlayerScore>& scores = model.standings.scores;
  const std::size_t lines = std::min(best.size(), kChartPlayers);
  const std::size_t events = model.battles.size();
  if (lines == 0 || events == 0) return;
  const PlayerOrder drawn(best.begin(),
                          best.begin() + static_cast<std::ptrdiff_t>(lines));
  const std::size_t every = std::max<std::size_t>(1, events / kChartPoints);
  const std::vector<std::vector<std::uint64_t>> totals =
      RunningPoints(model.season, drawn, every);
  // The battle at each point: every `every`-th from the first, and the last.
  std::vector<const ScoredBattle*> at;
  for (std::size_t i = 0; i < events; i += every)
    at.push_back(&model.battles[i]);
  if (at.back() != &model.battles.back()) at.push_back(&model.battles.back());
  at.resize(totals[0].size(), at.back());
  std::vector<page::ChartLine> chart;
  std::string summary;
  for (std::size_t i = 0; i < lines; ++i) {
    chart.push_back({Isolated(scores[best[i]].name), {}});
    for (std::uint64_t v : totals[i]) {
      chart.back().values.push_back(static_cast<double>(v));
    }
    summary +=
        (i == 0 ? "" : "; ") + chart.back().name + " " + Num(totals[i].back());
  }
  page::AppendLineChart(
      "Points over the season", "Points", page::SeasonLabels(at), chart,
      "Points of the " + Num(lines) + " best players over " + Num(events) +
          " battles, by " +
          (model.battles.back().date.empty() && model.battles[0].date.empty()
               ? "event number"
               : "month") +
          ": " + summary + ".",
      out);
}

void AppendMonths(const ExportModel& model, std::string* out) {
  const std::vector<MonthStandings>& months = model.season.months;
  if (months.empty()) return;
  std::vector<std::string> labels;
  std::vector<std::uint64_t> counts;
  std::string summary;
  for (const auto& [month, st] : months) {
    labels.push_back(month);
    counts.push_back(st.battles.size());
    summary +=
        (summary.empty() ? "" : "; ") + month + ": " + Num(st.battles.size());
  }
  page::AppendBarChart("Battles per month", labels, counts,
                       "Battles per month: " + summary + ".", out);
}

std::string BattleAnchor(const ScoredBattle& battle) {
  std::string id = "event-" + Num(static_cast<std::uint64_t>(battle.event));
  const std::string slug = page::AsciiSlug(battle.level);
  if (!slug.empty()) id += "-" + slug;
  return id;
}

std::string RenderWebPage(const ExportModel& model) {
  std::string out;
  out.reserve(1 << 16);
  const std::string span = page::SeasonSpan(model.battles);
  const std::string title = page::IsolatedPlain(model.settings.title);
  page::OpenPage(title,
                 "Standings, ratings and results of " +
                     Num(model.battles.size()) + " battles" +
                     (span.empty() ? "" : ", " + span) + ".",
                 {}, &out);
  out += "<h1>" + title + "</h1>\n<p class=\"meta\">";
  if (!span.empty()) out += "The season " + span + ". ";
  out += "Made on " + IsoUtcText(model.settings.made) + " from " +
         Num(model.battles.size()) + " battles.</p>\n";
  out +=
      "<nav aria-label=\"Sections\"><ul><li><a href=\"#scores\">Standings</a>"
      "</li><li><a href=\"#season\">The season</a></li><li><a "
      "href=\"#index\">Battle index</a></li><li><a href=\"#battles-by\">"
      "Battles by</a></li></ul></nav>\n";

  const PlayerOrder best = ScoredPlayers(model.standings);
  out += "<section><h2 id=\"scores\">Overall scores</h2>\n";
  page::StandingsTable table;
  table.caption = "Points of every player over all battles";
  table.ratings = &model.ratings;
  table.places_before = &model.season.places_before;
  page::AppendStandings(model.standings.scores, best, table, &out);
  out += "</section>\n<section><h2 id=\"season\">The season</h2>\n";
  AppendSeasonChart(model, best, &out);
  const std::vector<MonthStandings>& months = model.season.months;
  if (!months.empty()) {
    out += "<h3 id=\"months\">Month by month</h3>\n";
    AppendMonths(model, &out);
    for (const auto& [month, st] : months) {
      out += "<h4 id=\"month-" + month + "\">" + month + "</h4>\n";
      const std::string caption = "Standings of " + month;
      page::StandingsTable table;
      table.caption = caption;
      page::AppendStandings(st.scores, ScoredPlayers(st), table, &out);
    }
  }
  out += "</section>\n";
  AppendIndex(model, &out);
  out += "<section><h2 id=\"battles\">Battles</h2>\n";
  for (const ScoredBattle& b : model.battles) {
    page::AppendBattle(b, BattleAnchor(b), b.ranked.size(), 3, {}, &out);
  }
  out += "</section>\n<section><h2 id=\"battles-by\">Battles by</h2>\n";
  page::OpenTable("Who started the battles",
                  {{"Pos.", kNumber}, {"Player", kText}, {"Battles", kNumber}},
                  true, &out);
  std::size_t position = 0;
  const std::vector<PlayerScore>& scores = model.standings.scores;
  for (std::size_t i : BattlesStartedOrder(scores, PointsOrder(scores))) {
    const PlayerScore& s = scores[i];
    if (s.battles_started == 0) continue;
    out += "<tr>";
    Cell(Num(++position), kNumber, &out);
    Cell(Isolated(s.name), kName, &out);
    Cell(Num(static_cast<std::uint32_t>(s.battles_started)), kNumber, &out);
    out += "</tr>\n";
  }
  page::CloseTable(&out);
  out += "</section>\n";
  page::ClosePage(/*sortable=*/true, model.settings.home, &out);
  return out;
}

}  // namespace vexlane

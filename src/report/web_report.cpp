#include "report/web_report.h"

#include <algorithm>
#include <cstdio>

#include "base/text.h"
#include "base/utf8.h"
#include "base/version.h"
#include "report/html.h"
#include "report/overall_sections.h"
#include "report/report_date.h"

namespace vexlane {

namespace {

constexpr std::string_view kStyle = R"(
:root{color-scheme:light dark;--bg:#f7f7f5;--fg:#1d1d1f;--muted:#5f6368;
--card:#fff;--line:#d9d9de;--accent:#1a73e8;--head:#eef1f6}
@media (prefers-color-scheme:dark){:root{--bg:#121316;--fg:#e8e8ea;
--muted:#a0a4ab;--card:#1c1d21;--line:#34363c;--accent:#8ab4f8;--head:#25272c}}
*{box-sizing:border-box}
body{margin:0;background:var(--bg);color:var(--fg);
font:16px/1.5 system-ui,-apple-system,"Segoe UI",Roboto,sans-serif}
main{max-width:60rem;margin:0 auto;padding:1rem}
h1{font-size:1.6rem;margin:.5rem 0}h2{font-size:1.3rem;margin:2rem 0 .5rem}
h3{font-size:1.1rem;margin:1.5rem 0 .25rem}
a{color:var(--accent)}p.meta{color:var(--muted);margin:.25rem 0}
.scroll{overflow-x:auto;-webkit-overflow-scrolling:touch}
table{border-collapse:collapse;width:100%;background:var(--card);
font-variant-numeric:tabular-nums;margin:.25rem 0 1rem}
caption{text-align:left;color:var(--muted);padding:.25rem 0;font-size:.9rem}
th,td{padding:.35rem .6rem;border-bottom:1px solid var(--line);
text-align:left;white-space:nowrap}
thead th{background:var(--head);font-weight:600}
td.num,th.num{text-align:right;white-space:nowrap}
th[aria-sort]{cursor:pointer}
figure{margin:0 0 1rem}
svg{width:100%;height:auto;background:var(--card);border:1px solid var(--line)}
svg text{fill:var(--fg);font-size:13px}svg .axis{stroke:var(--line)}
svg .bar{fill:var(--accent)}
footer{color:var(--muted);font-size:.9rem;margin:2rem 0}
)";

// Sorting by a click on a column head: an enhancement only.
constexpr std::string_view kSortScript = R"(
document.querySelectorAll("table.sortable").forEach(function (table) {
  table.querySelectorAll("thead th").forEach(function (th, column) {
    th.setAttribute("aria-sort", "none");
    th.addEventListener("click", function () {
      var up = th.getAttribute("aria-sort") !== "ascending";
      table.querySelectorAll("thead th").forEach(function (h) {
        h.setAttribute("aria-sort", "none");
      });
      th.setAttribute("aria-sort", up ? "ascending" : "descending");
      var body = table.tBodies[0];
      var rows = Array.prototype.slice.call(body.rows);
      rows.sort(function (a, b) {
        var x = a.cells[column].getAttribute("data-sort") || a.cells[column].textContent;
        var y = b.cells[column].getAttribute("data-sort") || b.cells[column].textContent;
        var nx = parseFloat(x), ny = parseFloat(y);
        var c = (!isNaN(nx) && !isNaN(ny)) ? nx - ny : x.localeCompare(y);
        return up ? c : -c;
      });
      rows.forEach(function (r) { body.appendChild(r); });
    });
  });
});
)";

constexpr std::size_t kChartPlayers = 10;
constexpr std::size_t kChartPoints = 400;  // per line, at the most

// Log text made safe for HTML text and attribute values.
std::string Safe(std::string_view bytes) { return HtmlEscape(ToUtf8(bytes)); }

std::string Number(std::uint64_t value) { return UnsignedText(value); }

void Cell(std::string_view text, std::string* out, bool num = false,
          std::string_view sort_key = {}) {
  *out += num ? "<td class=\"num\"" : "<td";
  if (!sort_key.empty()) {
    *out += " data-sort=\"";
    *out += sort_key;
    *out += '"';
  }
  *out += '>';
  *out += text;
  *out += "</td>";
}

// A table with a caption and column heads; the heads marked with '#' are
// numeric.
void OpenTable(std::string_view caption,
               const std::vector<std::string_view>& heads, bool sortable,
               std::string* out) {
  *out += "<div class=\"scroll\"><table";
  if (sortable) *out += " class=\"sortable\"";
  *out += "><caption>";
  *out += caption;
  *out += "</caption><thead><tr>";
  for (std::string_view head : heads) {
    const bool num = !head.empty() && head[0] == '#';
    *out += num ? "<th scope=\"col\" class=\"num\">" : "<th scope=\"col\">";
    *out += num ? head.substr(1) : head;
    *out += "</th>";
  }
  *out += "</tr></thead><tbody>\n";
}

void CloseTable(std::string* out) { *out += "</tbody></table></div>\n"; }

std::string TimeSortKey(const TimeEntry& e) {
  // Times before apples, more apples before fewer, as the ranking goes.
  if (const auto h = Hundredths(e)) return Number(*h);
  return Number(100000000000ULL - e.apples);
}

void AppendIndex(const ExportModel& model, std::string* out) {
  *out += "<section><h2 id=\"index\">Battle index</h2>\n";
  OpenTable("Every battle, with its winner",
            {"Level", "#Event", "Date", "#Players", "Winner", "#Time"}, true,
            out);
  for (const ScoredBattle& b : model.battles) {
    *out += "<tr>";
    Cell("<a href=\"#" + BattleAnchor(b) + "\">" + Safe(b.level) + "</a>", out);
    Cell(Number(static_cast<std::uint64_t>(b.event)), out, true);
    Cell(b.date, out);
    Cell(Number(b.ranked.size()), out, true);
    if (b.ranked.empty()) {
      Cell("", out);
      Cell("", out, true);
    } else {
      Cell(Safe(b.ranked[0].name), out);
      Cell(ShownTime(b.ranked[0]), out, true, TimeSortKey(b.ranked[0]));
    }
    *out += "</tr>\n";
  }
  CloseTable(out);
  *out += "</section>\n";
}

void AppendBattle(const ScoredBattle& b, std::string* out) {
  *out += "<section id=\"" + BattleAnchor(b) + "\"><h3>Event " +
          Number(static_cast<std::uint64_t>(b.event)) + ": " + Safe(b.level) +
          "</h3>\n<p class=\"meta\">";
  std::string meta;
  if (!ShownStarter(b).empty()) meta += "by " + Safe(ShownStarter(b));
  if (!b.date.empty()) meta += (meta.empty() ? "on " : ", on ") + b.date;
  if (!b.start_stamp.empty()) {
    meta += (meta.empty() ? "at " : ", at ") + Safe(b.start_stamp);
  }
  if (const int length = ShownLengthMinutes(b)) {
    meta += " (" + Number(static_cast<std::uint64_t>(length)) + " mins)";
  }
  *out += meta + "</p>\n";
  OpenTable("Results of event " + Number(static_cast<std::uint64_t>(b.event)),
            {"#Pos.", "Player", "#Time", "#Diff.", "#Points"}, false, out);
  for (std::size_t k = 0; k < b.ranked.size(); ++k) {
    const TimeEntry& e = b.ranked[k];
    *out += "<tr>";
    Cell(Number(k + 1), out, true);
    Cell(Safe(e.name), out);
    Cell(ShownTime(e), out, true);
    Cell(ShownDifference(b.ranked, k), out, true);
    Cell(Number(e.points), out, true);
    *out += "</tr>\n";
  }
  CloseTable(out);
  *out += "</section>\n";
}

// With `ratings` (the season's, parallel to `scores`), a Rating column
// follows.
void AppendScores(const std::vector<PlayerScore>& scores,
                  const PlayerOrder& players, std::string_view caption,
                  const SeasonRatings* ratings, std::string* out) {
  std::vector<std::string_view> heads = {"#Pos.",      "Player", "#Points",
                                         "#Average",   "#Wins",  "#Battles",
                                         "#Total time"};
  if (ratings != nullptr) heads.push_back("#Rating");
  OpenTable(caption, heads, true, out);
  for (std::size_t i = 0; i < players.size(); ++i) {
    const PlayerScore& s = scores[players[i]];
    const auto battles = static_cast<std::uint32_t>(s.battles);
    const std::string wins = Number(static_cast<std::uint32_t>(s.wins));
    *out += "<tr>";
    Cell(Number(i + 1), out, true);
    Cell(Safe(s.name), out);
    Cell(Number(static_cast<std::uint32_t>(s.points)), out, true);
    Cell(battles == 0 ? "" : AverageText(s), out, true);
    Cell(battles == 0 ? wins : wins + " (" + Number(WinPercent(s)) + "%)", out,
         true, wins);
    Cell(Number(battles), out, true);
    Cell(ShownTime(s.total), out, true, TimeSortKey(s.total));
    if (ratings != nullptr) {
      const PlayerRating& r = ratings->players[players[i]];
      const std::string rating = RatingText(Ordinal(r.rating));
      Cell(Provisional(r) ? rating + "*" : rating, out, true, rating);
    }
    *out += "</tr>\n";
  }
  CloseTable(out);
  if (ratings != nullptr) {
    *out +=
        "<p class=\"meta\">Rating: a skill estimate from whom each player "
        "beat in every battle (mu - 3 sigma of a Weng-Lin Plackett-Luce "
        "rating); * marks a provisional rating, of fewer than " +
        Number(static_cast<std::uint64_t>(kProvisionalBattles)) +
        " rated battles.</p>\n";
  }
}

// Cumulative points of the best players over the events, one line each.
void AppendSeasonChart(const ExportModel& model, const PlayerOrder& best,
                       std::string* out) {
  const std::vector<PlayerScore>& scores = model.standings.scores;
  const std::size_t lines = std::min(best.size(), kChartPlayers);
  const std::size_t events = model.battles.size();
  if (lines == 0 || events == 0) return;
  const PlayerOrder drawn(best.begin(),
                          best.begin() + static_cast<std::ptrdiff_t>(lines));
  const std::vector<std::vector<std::uint64_t>> totals = RunningPoints(
      model, drawn, std::max<std::size_t>(1, events / kChartPoints));
  std::uint64_t top = 1;
  for (const auto& line : totals) top = std::max(top, line.back());
  const double width = 640;
  const double height = 320;
  const double left = 40;
  const double right = 120;  // room for the names at the lines' ends
  const double margin = 20;
  const std::size_t points = totals[0].size();
  auto x = [&](std::size_t i) {
    return left + (points <= 1
                       ? 0.0
                       : (width - left - right) * static_cast<double>(i) /
                             static_cast<double>(points - 1));
  };
  auto y = [&](std::uint64_t v) {
    return height - margin -
           (height - 2 * margin) * static_cast<double>(v) /
               static_cast<double>(top);
  };
  static constexpr std::string_view kColours[] = {
      "#1a73e8", "#d93025", "#188038", "#f29900", "#9334e6",
      "#12b5cb", "#e8710a", "#5f6368", "#c5221f", "#1e8e3e"};
  char buffer[64];
  *out +=
      "<figure><svg viewBox=\"0 0 640 320\" role=\"img\" "
      "aria-label=\"Points over the season\"><title>Points over the season: "
      "cumulative points of the " +
      Number(lines) + " best players, event by event</title>";
  std::snprintf(buffer, sizeof buffer,
                "<line class=\"axis\" x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" "
                "y2=\"%.1f\"/>",
                left, height - margin, width - right, height - margin);
  *out += buffer;
  *out += "<text x=\"2\" y=\"14\">" + Number(top) + " pts</text>";
  // The names at the lines' ends, pushed apart where they would overlap.
  std::vector<std::pair<double, std::size_t>> labels;
  for (std::size_t i = 0; i < lines; ++i) {
    labels.emplace_back(y(totals[i].back()) + 4, i);
  }
  std::sort(labels.begin(), labels.end());
  for (std::size_t k = 1; k < labels.size(); ++k) {
    labels[k].first = std::max(labels[k].first, labels[k - 1].first + 12);
  }
  std::vector<double> label_y(lines);
  for (const auto& [at, i] : labels) label_y[i] = at;
  for (std::size_t i = 0; i < lines; ++i) {
    *out += "<polyline fill=\"none\" stroke-width=\"2\" stroke=\"";
    *out += kColours[i];
    *out += "\" points=\"";
    for (std::size_t p = 0; p < points; ++p) {
      std::snprintf(buffer, sizeof buffer, "%.1f,%.1f ", x(p), y(totals[i][p]));
      *out += buffer;
    }
    *out += "\"/>";
    std::snprintf(buffer, sizeof buffer, "<text x=\"%.1f\" y=\"%.1f\">",
                  x(points - 1) + 4, label_y[i]);
    *out += buffer;
    *out += Safe(scores[best[i]].name) + "</text>";
  }
  *out += "</svg><figcaption>Cumulative points of the " + Number(lines) +
          " best players over " + Number(events) +
          " events.</figcaption></figure>\n";
}

// Battles per month as bars, and a standings table for each month.
void AppendMonths(const ExportModel& model, std::string* out) {
  const std::vector<MonthStandings> months = MonthlyStandings(model);
  if (months.empty()) return;
  std::size_t most = 1;
  for (const auto& [month, st] : months) {
    most = std::max(most, st.battles.size());
  }
  const double bar_width = 560.0 / static_cast<double>(months.size());
  char buffer[160];
  *out +=
      "<h3 id=\"months\">Month by month</h3>\n<figure><svg viewBox=\"0 0 640 "
      "240\" role=\"img\" aria-label=\"Battles per month\"><title>Battles "
      "per month</title>";
  std::size_t i = 0;
  for (const auto& [month, st] : months) {
    const double h = 180.0 * static_cast<double>(st.battles.size()) /
                     static_cast<double>(most);
    const double x = 60 + bar_width * static_cast<double>(i);
    std::snprintf(buffer, sizeof buffer,
                  "<rect class=\"bar\" x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" "
                  "height=\"%.1f\"><title>%s: %zu</title></rect>",
                  x + 2, 200 - h, std::max(1.0, bar_width - 4), h,
                  month.c_str(), st.battles.size());
    *out += buffer;
    if (months.size() <= 24) {
      std::snprintf(buffer, sizeof buffer,
                    "<text x=\"%.1f\" y=\"216\">%s</text>", x + 2,
                    month.c_str());
      *out += buffer;
    }
    ++i;
  }
  *out += "</svg><figcaption>Battles per month.</figcaption></figure>\n";
  for (const auto& [month, st] : months) {
    *out += "<h4 id=\"month-" + month + "\">" + month + "</h4>\n";
    AppendScores(st.scores, ScoredPlayers(st), "Standings of " + month, nullptr,
                 out);
  }
}

}  // namespace

std::string BattleAnchor(const ScoredBattle& battle) {
  std::string id = "event-" + Number(static_cast<std::uint64_t>(battle.event));
  std::string slug;
  for (char c : battle.level) {
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    const bool keep = (lower >= 'a' && lower <= 'z') || IsDigitByte(lower);
    if (keep) {
      slug += lower;
    } else if (!slug.empty() && slug.back() != '-') {
      slug += '-';
    }
    if (slug.size() >= 40) break;
  }
  while (!slug.empty() && slug.back() == '-') slug.pop_back();
  if (!slug.empty()) id += "-" + slug;
  return id;
}

std::string RenderWebPage(const ExportModel& model) {
  std::string out;
  out.reserve(1 << 16);
  out +=
      "<!doctype html>\n<html lang=\"en\">\n<head>\n<meta "
      "charset=\"utf-8\">\n<meta name=\"viewport\" "
      "content=\"width=device-width, initial-scale=1\">\n<title>Battle "
      "statistics</title>\n<style>";
  out += kStyle;
  out += "</style>\n</head>\n<body>\n<main>\n<h1>Battle statistics</h1>\n";
  out += "<p class=\"meta\">Made on " + IsoUtcText(model.settings.made) +
         " from " + Number(model.battles.size()) + " battles.</p>\n";
  AppendIndex(model, &out);

  const PlayerOrder best = ScoredPlayers(model.standings);
  out += "<section><h2 id=\"season\">The season</h2>\n";
  AppendSeasonChart(model, best, &out);
  AppendMonths(model, &out);
  out += "</section>\n<section><h2 id=\"battles\">Battles</h2>\n";
  for (const ScoredBattle& b : model.battles) AppendBattle(b, &out);
  out += "</section>\n<section><h2 id=\"scores\">Overall scores</h2>\n";
  AppendScores(model.standings.scores, best,
               "Points of every player over all battles", &model.ratings, &out);
  out += "</section>\n<section><h2 id=\"battles-by\">Battles by</h2>\n";
  OpenTable("Who started the battles", {"#Pos.", "Player", "#Battles"}, true,
            &out);
  std::size_t position = 0;
  const std::vector<PlayerScore>& scores = model.standings.scores;
  for (std::size_t i : BattlesStartedOrder(scores, PointsOrder(scores))) {
    const PlayerScore& s = scores[i];
    if (s.battles_started == 0) continue;
    out += "<tr>";
    Cell(Number(++position), &out, true);
    Cell(Safe(s.name), &out);
    Cell(Number(static_cast<std::uint32_t>(s.battles_started)), &out, true);
    out += "</tr>\n";
  }
  CloseTable(&out);
  out += "</section>\n<footer>Made by ";
  out += kProgramName;
  out += " ";
  out += ProgramVersion();
  out += ". Newest version available at <a href=\"";
  out += HtmlEscape(HomePage());
  out += "\">";
  out += HtmlEscape(HomePage());
  out += "</a>.</footer>\n</main>\n<script>";
  out += kSortScript;
  out += "</script>\n</body>\n</html>\n";
  return out;
}

}  // namespace vexlane

#include "render/page_parts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/text.h"
#include "base/utf8.h"
#include "base/version.h"
#include "render/html.h"
#include "render/overall_sections.h"

namespace vexlane::page {

namespace {

// Colours meet AA contrast on their backgrounds in both schemes; the
// phone layout drops the columns marked wide and lets names wrap.
constexpr std::string_view kStyle = R"(
:root{color-scheme:light dark;--bg:#f7f7f5;--fg:#1d1d1f;--muted:#55595f;
--card:#fff;--line:#d2d2d8;--accent:#1558b0;--head:#eef1f6}
@media (prefers-color-scheme:dark){:root{--bg:#121316;--fg:#e8e8ea;
--muted:#a9adb4;--card:#1c1d21;--line:#3a3c42;--accent:#8ab4f8;--head:#25272c}}
*{box-sizing:border-box}
body{margin:0;background:var(--bg);color:var(--fg);
font:16px/1.5 system-ui,-apple-system,"Segoe UI",Roboto,sans-serif;
overflow-wrap:anywhere}
main{max-width:60rem;margin:0 auto;padding:1rem}
h1{font-size:1.6rem;margin:.5rem 0}h2{font-size:1.3rem;margin:2rem 0 .5rem}
h3{font-size:1.1rem;margin:1.5rem 0 .25rem}
a{color:var(--accent)}p.meta{color:var(--muted);margin:.25rem 0}
nav ul{list-style:none;padding:0;margin:.5rem 0;display:flex;flex-wrap:wrap;
gap:.25rem 1.25rem}
.scroll{overflow-x:auto}
table{border-collapse:collapse;width:100%;background:var(--card);
font-variant-numeric:tabular-nums;margin:.25rem 0 1rem}
caption{text-align:left;color:var(--muted);padding:.25rem 0;font-size:.9rem}
th,td{padding:.35rem .6rem;border-bottom:1px solid var(--line);
text-align:left;vertical-align:top}
thead th{background:var(--head);font-weight:600;white-space:nowrap}
td.num,th.num{text-align:right;white-space:nowrap}
td.name{overflow-wrap:anywhere;min-width:5rem}
button.sort{font:inherit;color:inherit;background:none;border:0;padding:0;
cursor:pointer;text-align:inherit}
figure{margin:0 0 1.5rem}
table.r td{white-space:nowrap;text-align:right}
table.r td:nth-child(2){white-space:normal;text-align:left;
overflow-wrap:anywhere;min-width:5rem}
table.pb td{white-space:nowrap;text-align:right}
table.pb td:first-child{white-space:normal;text-align:left;
overflow-wrap:anywhere;min-width:5rem}
svg.chart{display:block;width:100%;max-width:42rem;height:auto;
background:var(--card);border:1px solid var(--line)}
svg.chart text{fill:var(--fg);font-size:15px}
.nw{white-space:nowrap}
svg.chart .grid{stroke:var(--line)}svg.chart .axis{stroke:var(--muted)}
svg.chart .bar{fill:var(--accent)}
figcaption{color:var(--muted);font-size:.9rem}
.sr{position:absolute;width:1px;height:1px;overflow:hidden;
clip-path:inset(50%);white-space:nowrap}
.mark{font-size:.8rem;color:var(--accent);border:1px solid var(--accent);
border-radius:.6rem;padding:0 .35rem;white-space:nowrap}
ul.legend{list-style:none;padding:0;margin:.25rem 0;display:flex;
flex-wrap:wrap;gap:.1rem 1rem;font-size:.9rem}
ul.legend svg{vertical-align:middle;margin-right:.3rem}
footer{color:var(--muted);font-size:.9rem;margin:2rem 0}
@media (max-width:40rem){main{padding:.6rem}th,td{padding:.3rem .35rem}
.wide,table.r td:nth-child(4),table.pb td:nth-child(n+4){display:none}}
)";

// A square in the accent colour, inline, so that no request for
// /favicon.ico goes out.
constexpr std::string_view kIcon =
    "data:image/svg+xml,%3Csvg xmlns='http://www.w3.org/2000/svg' "
    "viewBox='0 0 16 16'%3E%3Crect width='16' height='16' rx='3' "
    "fill='%231558b0'/%3E%3C/svg%3E";

// Sorting by a click on a column head: an enhancement only. The heads
// become buttons, so that a keyboard reaches them.
constexpr std::string_view kSortScript = R"(
function key(text) {
  var time = /^(\d+):(\d\d),(\d\d)$/.exec(text.trim());
  return time ? (+time[1] * 60 + +time[2]) * 100 + +time[3] : parseFloat(text);
}
document.querySelectorAll("table.sortable").forEach(function (table) {
  var heads = table.querySelectorAll("thead th");
  heads.forEach(function (th, column) {
    var button = document.createElement("button");
    button.type = "button";
    button.className = "sort";
    while (th.firstChild) button.appendChild(th.firstChild);
    th.appendChild(button);
    button.addEventListener("click", function () {
      var up = th.getAttribute("aria-sort") !== "ascending";
      heads.forEach(function (h) { h.removeAttribute("aria-sort"); });
      th.setAttribute("aria-sort", up ? "ascending" : "descending");
      var body = table.tBodies[0];
      var rows = Array.prototype.slice.call(body.rows);
      rows.sort(function (a, b) {
        var x = a.cells[column].getAttribute("data-sort") || a.cells[column].textContent;
        var y = b.cells[column].getAttribute("data-sort") || b.cells[column].textContent;
        var nx = key(x), ny = key(y);
        var c = (!isNaN(nx) && !isNaN(ny)) ? nx - ny : x.localeCompare(y);
        return up ? c : -c;
      });
      rows.forEach(function (r) { body.appendChild(r); });
    });
  });
});
)";

// The lines of a chart: colours that differ, and dashes so that they
// differ without colour too.
constexpr std::string_view kColours[] = {
    "#1a73e8", "#d93025", "#188038", "#e37400", "#9334e6",
    "#12b5cb", "#b06000", "#5f6368", "#c5221f", "#1e8e3e"};
constexpr std::string_view kDashes[] = {"", "8 4", "2 3", "10 3 2 3", "4 4"};

// Chart geometry, in the units of the view box. At 390 px wide the chart
// is about 356 px, so 15-unit text is over 11 px.
constexpr double kWidth = 480;
constexpr double kCharWidth = 9.2;  // a digit or letter at 15 units

// As printf's "%.1f" (the same exact rounding), without its cost: a
// chart writes thousands of these.
std::string Fixed(double value) {
  std::string text;
  AppendTenths(value, &text);
  return text;
}

void DashAttributes(std::size_t line, std::string* out) {
  *out += " stroke=\"";
  *out += kColours[line % std::size(kColours)];
  *out += '"';
  const std::string_view dash = kDashes[line % std::size(kDashes)];
  if (!dash.empty()) {
    *out += " stroke-dasharray=\"";
    *out += dash;
    *out += '"';
  }
}

// A round step for about `parts` ticks up to `span`: 1, 2 or 5 times a
// power of ten.
double NiceStep(double span, int parts) {
  if (span <= 0) return 1;
  const double rough = span / parts;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * power >= rough) return m * power;
  }
  return 10 * power;
}

std::string TickText(double value) {
  if (std::fabs(value - std::round(value)) < 1e-9) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", value);
    return std::string(text) == "-0" ? "0" : text;
  }
  return Fixed(value);
}

// Labels under the x axis at `xs`, dropping those that would touch the
// one kept before them or leave the chart.
void AppendXLabels(const std::vector<std::string>& labels,
                   const std::vector<double>& xs, double y, std::string* out) {
  double last_right = -1e9;
  for (std::size_t i = 0; i < labels.size(); ++i) {
    if (labels[i].empty()) continue;
    const double width = kCharWidth * static_cast<double>(labels[i].size());
    const double left = std::max(2.0, xs[i] - width / 2);
    if (left < last_right + 10 || left + width > kWidth - 2) continue;
    last_right = left + width;
    *out += "<line class=\"axis\" x1=\"" + Fixed(xs[i]) + "\" y1=\"" +
            Fixed(y - 20) + "\" x2=\"" + Fixed(xs[i]) + "\" y2=\"" +
            Fixed(y - 15) + "\"/><text x=\"" + Fixed(left) + "\" y=\"" +
            Fixed(y) + "\">" + labels[i] + "</text>";
  }
}

void OpenFigure(std::string_view title, double height, std::string* out) {
  *out += "<figure><svg class=\"chart\" viewBox=\"0 0 480 " + Fixed(height) +
          "\" role=\"img\" aria-label=\"";
  *out += title;
  *out += "\"><title>";
  *out += title;
  *out += "</title>";
}

}  // namespace

std::string Safe(std::string_view bytes) { return HtmlEscape(ToUtf8(bytes)); }

std::string Isolated(std::string_view bytes) {
  return "<bdi>" + Safe(bytes) + "</bdi>";
}

std::string IsolatedPlain(std::string_view bytes) {
  // U+2068 FIRST STRONG ISOLATE ... U+2069 POP DIRECTIONAL ISOLATE.
  return "\xE2\x81\xA8" + Safe(bytes) + "\xE2\x81\xA9";
}

std::string Num(std::uint64_t value) { return UnsignedText(value); }

void OpenPage(std::string_view title, std::string_view description,
              std::string_view stylesheet, std::string* out) {
  *out +=
      "<!doctype html>\n<html lang=\"en\">\n<head>\n<meta "
      "charset=\"utf-8\">\n<meta name=\"viewport\" "
      "content=\"width=device-width, initial-scale=1\">\n<meta "
      "name=\"description\" content=\"";
  *out += description;
  *out += "\">\n<link rel=\"icon\" href=\"";
  *out += kIcon;
  *out += "\">\n<title>";
  *out += title;
  *out += "</title>\n<style>";
  *out += kStyle;
  *out += "</style>\n";
  if (!stylesheet.empty()) {
    *out += "<link rel=\"stylesheet\" href=\"";
    *out += HtmlEscape(stylesheet);
    *out += "\">\n";
  }
  *out += "</head>\n<body>\n<main>\n";
}

void ClosePage(bool sortable, std::string_view home, std::string* out) {
  *out += "<footer>Made by ";
  *out += kProgramName;
  *out += " ";
  *out += ProgramVersion();
  *out += '.';
  if (!home.empty()) {
    *out += " Channel home: <a href=\"" + HtmlEscape(home) + "\">" +
            Isolated(home) + "</a>.";
  }
  *out += "</footer>\n</main>\n";
  if (sortable) {
    *out += "<script>";
    *out += kSortScript;
    *out += "</script>\n";
  }
  *out += "</body>\n</html>\n";
}

void OpenTable(std::string_view caption, const std::vector<Column>& columns,
               bool sortable, std::string* out, std::string_view style) {
  *out += "<div class=\"scroll\" tabindex=\"0\" role=\"region\" aria-label=\"";
  *out += caption;
  *out += "\"><table";
  if (sortable || !style.empty()) {
    *out += " class=\"";
    *out += style;
    if (sortable) *out += style.empty() ? "sortable" : " sortable";
    *out += '"';
  }
  *out += "><caption>";
  *out += caption;
  *out += "</caption><thead><tr>";
  for (const Column& column : columns) {
    *out += "<th scope=\"col\"";
    std::string classes;
    if (column.flags & kNumber) classes += "num";
    if (column.flags & kWide) classes += classes.empty() ? "wide" : " wide";
    if (!classes.empty()) *out += " class=\"" + classes + "\"";
    *out += '>';
    *out += column.head;
    *out += "</th>";
  }
  *out += "</tr></thead><tbody>\n";
}

void CloseTable(std::string* out) { *out += "</tbody></table></div>\n"; }

void Cell(std::string_view html, unsigned flags, std::string* out,
          std::string_view sort_key) {
  *out += "<td";
  if (flags != kText) {
    *out += " class=\"";
    bool first = true;
    for (const auto& [flag, name] :
         {std::pair{kNumber, "num"}, std::pair{kWide, "wide"},
          std::pair{kName, "name"}}) {
      if (!(flags & flag)) continue;
      if (!first) *out += ' ';
      *out += name;
      first = false;
    }
    *out += '"';
  }
  if (!sort_key.empty()) {
    *out += " data-sort=\"";
    *out += sort_key;
    *out += '"';
  }
  *out += '>';
  *out += html;
  *out += "</td>";
}

std::string AsciiSlug(std::string_view name) {
  std::string slug;
  for (char c : name) {
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    if ((lower >= 'a' && lower <= 'z') || IsDigitByte(lower)) {
      slug += lower;
    } else if (!slug.empty() && slug.back() != '-') {
      slug += '-';
    }
    if (slug.size() >= 40) break;
  }
  while (!slug.empty() && slug.back() == '-') slug.pop_back();
  return slug;
}

std::string TimeSortKey(const TimeEntry& e) {
  if (const auto h = Hundredths(e)) return Num(*h);
  return Num(100000000000ULL - e.apples);
}

void AppendLineChart(std::string_view title, std::string_view y_label,
                     const std::vector<std::string>& x_labels,
                     const std::vector<ChartLine>& lines,
                     std::string_view summary, std::string* out) {
  if (lines.empty() || lines[0].values.empty()) return;
  constexpr double kHeight = 280, kLeft = 52, kRight = 14, kTop = 36,
                   kBottom = 40;
  double low = 0, high = 1;
  for (const ChartLine& line : lines) {
    for (double v : line.values) {
      low = std::min(low, v);
      high = std::max(high, v);
    }
  }
  const double step = NiceStep(high - low, 4);
  low = std::floor(low / step) * step;
  high = std::ceil(high / step) * step;
  const std::size_t points = lines[0].values.size();
  const auto x = [&](std::size_t i) {
    return points <= 1
               ? kLeft + (kWidth - kLeft - kRight) / 2
               : kLeft + (kWidth - kLeft - kRight) * static_cast<double>(i) /
                             static_cast<double>(points - 1);
  };
  const auto y = [&](double v) {
    return kHeight - kBottom -
           (kHeight - kTop - kBottom) * (v - low) / (high - low);
  };
  OpenFigure(title, kHeight, out);
  *out += "<text x=\"4\" y=\"16\">";
  *out += y_label;
  *out += "</text>";
  for (double tick = low; tick <= high + step / 2; tick += step) {
    const std::string text = TickText(tick);
    *out += "<line class=\"grid\" x1=\"" + Fixed(kLeft) + "\" y1=\"" +
            Fixed(y(tick)) + "\" x2=\"" + Fixed(kWidth - kRight) + "\" y2=\"" +
            Fixed(y(tick)) + "\"/><text x=\"" +
            Fixed(kLeft - 6 - kCharWidth * static_cast<double>(text.size())) +
            "\" y=\"" + Fixed(y(tick) + 5) + "\">" + text + "</text>";
  }
  *out += "<line class=\"axis\" x1=\"" + Fixed(kLeft) + "\" y1=\"" +
          Fixed(kHeight - kBottom) + "\" x2=\"" + Fixed(kWidth - kRight) +
          "\" y2=\"" + Fixed(kHeight - kBottom) + "\"/>";
  std::vector<double> xs(points);
  for (std::size_t i = 0; i < points; ++i) xs[i] = x(i);
  AppendXLabels(x_labels, xs, kHeight - 8, out);
  for (std::size_t l = 0; l < lines.size(); ++l) {
    *out += "<polyline fill=\"none\" stroke-width=\"2.5\"";
    DashAttributes(l, out);
    *out += " points=\"";
    for (std::size_t i = 0; i < points; ++i) {
      AppendTenths(xs[i], out);
      *out += ',';
      AppendTenths(y(lines[l].values[i]), out);
      *out += ' ';
    }
    *out += "\"/><circle r=\"3.5\" cx=\"" + Fixed(xs[points - 1]) + "\" cy=\"" +
            Fixed(y(lines[l].values[points - 1])) + "\" fill=\"";
    *out += kColours[l % std::size(kColours)];
    *out += "\"/>";
  }
  *out += "</svg>";
  if (lines.size() > 1) {
    *out += "<ul class=\"legend\">";
    for (std::size_t l = 0; l < lines.size(); ++l) {
      *out +=
          "<li><svg width=\"30\" height=\"12\" aria-hidden=\"true\">"
          "<line x1=\"0\" y1=\"6\" x2=\"30\" y2=\"6\" "
          "stroke-width=\"3\"";
      DashAttributes(l, out);
      *out += "/></svg>" + lines[l].name + "</li>";
    }
    *out += "</ul>";
  }
  *out += "<figcaption>";
  *out += summary;
  *out += "</figcaption></figure>\n";
}

void AppendBarChart(std::string_view title,
                    const std::vector<std::string>& labels,
                    const std::vector<std::uint64_t>& values,
                    std::string_view summary, std::string* out) {
  if (values.empty()) return;
  constexpr double kHeight = 220, kLeft = 14, kRight = 14, kTop = 26,
                   kBottom = 40;
  std::uint64_t most = 1;
  for (std::uint64_t v : values) most = std::max(most, v);
  const double slot =
      (kWidth - kLeft - kRight) / static_cast<double>(values.size());
  const double bar = std::min(44.0, slot * 0.7);
  OpenFigure(title, kHeight, out);
  std::vector<double> xs(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    xs[i] = kLeft + slot * (static_cast<double>(i) + 0.5);
    const double h = (kHeight - kTop - kBottom) *
                     static_cast<double>(values[i]) / static_cast<double>(most);
    const double top = kHeight - kBottom - h;
    *out += "<rect class=\"bar\" x=\"" + Fixed(xs[i] - bar / 2) + "\" y=\"" +
            Fixed(top) + "\" width=\"" + Fixed(bar) + "\" height=\"" +
            Fixed(h) + "\"><title>" + labels[i] + ": " + Num(values[i]) +
            "</title></rect>";
    const std::string number = Num(values[i]);
    const double width = kCharWidth * static_cast<double>(number.size());
    if (width <= slot - 4) {
      *out += "<text x=\"" + Fixed(xs[i] - width / 2) + "\" y=\"" +
              Fixed(top - 5) + "\">" + number + "</text>";
    }
  }
  *out += "<line class=\"axis\" x1=\"" + Fixed(kLeft) + "\" y1=\"" +
          Fixed(kHeight - kBottom) + "\" x2=\"" + Fixed(kWidth - kRight) +
          "\" y2=\"" + Fixed(kHeight - kBottom) + "\"/>";
  AppendXLabels(labels, xs, kHeight - 8, out);
  *out += "</svg><figcaption>";
  *out += summary;
  *out += "</figcaption></figure>\n";
}

std::vector<std::string> SeasonLabels(
    const std::vector<const ScoredBattle*>& at) {
  std::vector<std::string> labels(at.size());
  const bool dated = std::any_of(
      at.begin(), at.end(), [](const auto* b) { return !b->date.empty(); });
  std::string month;
  for (std::size_t i = 0; i < at.size(); ++i) {
    if (!dated) {
      labels[i] = Num(static_cast<std::uint64_t>(at[i]->event));
    } else if (at[i]->date.size() >= 7 && at[i]->date.compare(0, 7, month)) {
      month = at[i]->date.substr(0, 7);
      labels[i] = month;
    }
  }
  return labels;
}

std::string SeasonSpan(const std::vector<ScoredBattle>& battles) {
  const auto first =
      std::find_if(battles.begin(), battles.end(),
                   [](const auto& b) { return !b.date.empty(); });
  if (first == battles.end()) return "";
  const auto last = std::find_if(battles.rbegin(), battles.rend(),
                                 [](const auto& b) { return !b.date.empty(); });
  return first->date == last->date ? first->date
                                   : first->date + " to " + last->date;
}

}  // namespace vexlane::page

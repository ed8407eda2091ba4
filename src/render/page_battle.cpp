// One battle's results as the web page and the site show them, the date
// and time of a battle as people read them, and the links whose
// addresses the site fills in once it knows its pages.
#include <algorithm>
#include <array>
#include <string>

#include "base/text.h"
#include "render/overall_sections.h"
#include "render/page_parts.h"

namespace vexlane::page {

namespace {

constexpr std::array<std::string_view, 12> kMonths = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool Digits(std::string_view text, std::size_t at, std::size_t n) {
  if (text.size() < at + n) return false;
  return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(at),
                     text.begin() + static_cast<std::ptrdiff_t>(at + n),
                     IsDigitByte);
}

// "2024-11-12" as "12 Nov 2024"; empty when it is no such date.
std::string ReadableDate(std::string_view date) {
  if (date.size() != 10 || !Digits(date, 0, 4) || date[4] != '-' ||
      !Digits(date, 5, 2) || date[7] != '-' || !Digits(date, 8, 2)) {
    return "";
  }
  const int month = (date[5] - '0') * 10 + (date[6] - '0');
  if (month < 1 || month > 12) return "";
  std::string text(date.substr(date[8] == '0' ? 9 : 8, date[8] == '0' ? 1 : 2));
  text += ' ';
  text += kMonths[static_cast<std::size_t>(month - 1)];
  text += ' ';
  text += date.substr(0, 4);
  return text;
}

// "19:54" of a stamp that starts "19:54" (the log's clock); empty else.
std::string ClockOf(std::string_view stamp) {
  if (!Digits(stamp, 0, 2) || stamp.size() < 5 || stamp[2] != ':' ||
      !Digits(stamp, 3, 2) || (stamp.size() > 5 && IsDigitByte(stamp[5]))) {
    return "";
  }
  if (stamp.substr(0, 2) > "23" || stamp.substr(3, 2) > "59") return "";
  return std::string(stamp.substr(0, 5));
}

// The opening of a link the site fills in: see ResolveLateLinks.
void OpenLateLink(char kind, std::size_t battle, std::size_t entry,
                  std::string* out) {
  *out += kLateLink;
  *out += kind;
  AppendUnsigned(battle, out);
  if (kind == kLatePlayer) {
    *out += '.';
    AppendUnsigned(entry, out);
  }
  *out += "\x02\">";
}

// `html` as the text of a late link where `links` asks for one.
void LinkedText(const BattleLinks* links, char kind, std::size_t entry,
                std::string_view html, std::string* out) {
  if (links == nullptr) {
    *out += html;
    return;
  }
  OpenLateLink(kind, links->battle, entry, out);
  *out += html;
  *out += "</a>";
}

}  // namespace

std::string WhenText(std::string_view date, std::string_view stamp) {
  const std::string day = ReadableDate(date);
  const std::string clock = ClockOf(stamp);
  if (day.empty() && clock.empty()) {
    if (date.empty()) return stamp.empty() ? "" : "at " + Isolated(stamp);
    return "on " + Safe(date) +
           (stamp.empty() ? "" : ", at " + Isolated(stamp));
  }
  if (day.empty()) {
    return (date.empty() ? "" : "on " + Safe(date) + ", ") +
           "at <time datetime=\"" + clock + "\">" + clock + "</time>";
  }
  if (clock.empty()) {
    return "on <time datetime=\"" + std::string(date) + "\">" + day +
           "</time>" + (stamp.empty() ? "" : ", at " + Isolated(stamp));
  }
  return "on <time datetime=\"" + std::string(date) + "T" + clock + "\">" +
         day + ", " + clock + "</time>";
}

std::string DateCell(std::string_view date) {
  const std::string day = ReadableDate(date);
  if (day.empty()) return Safe(date);
  return "<time datetime=\"" + std::string(date) + "\">" + day + "</time>";
}

std::string InstantText(std::string_view iso) {
  const std::string day = ReadableDate(iso.substr(0, 10));
  if (day.empty() || iso.size() < 16 || iso[10] != 'T') return Safe(iso);
  return "<time datetime=\"" + Safe(iso) + "\">" + day + ", " +
         std::string(iso.substr(11, 5)) + " UTC</time>";
}

std::string Counted(std::uint64_t n, std::string_view noun) {
  return Num(n) + " " + std::string(noun) + (n == 1 ? "" : "s");
}

std::size_t AppendBattle(const ScoredBattle& b, std::string_view id,
                         std::size_t most_rows, int heading,
                         std::span<const std::uint8_t> marks, std::string* out,
                         const BattleLinks* links) {
  const std::string h = "h" + Num(static_cast<std::uint64_t>(heading));
  const std::string event = Num(static_cast<std::uint64_t>(b.event));
  *out += "<section id=\"";
  *out += id;
  *out += "\"><" + h + ">";
  if (links != nullptr) {
    *out += "<a href=\"" + std::string(links->page) + "\">Event " + event +
            "</a>: ";
  } else {
    *out += "Event " + event + ": ";
  }
  LinkedText(links, kLateLevel, 0, Isolated(b.level), out);
  *out += "</" + h + ">\n<p class=\"meta\">";
  std::string meta;
  if (!ShownStarter(b).empty()) {
    meta += "by ";
    LinkedText(links, kLateStarter, 0, Isolated(ShownStarter(b)), &meta);
  }
  const std::string when = WhenText(b.date, b.start_stamp);
  if (!when.empty()) meta += (meta.empty() ? "" : ", ") + when;
  if (const int length = ShownLengthMinutes(b)) {
    meta += " (" + Num(static_cast<std::uint64_t>(length)) + " mins)";
  }
  *out += meta + "</p>\n";
  const std::size_t results = out->size();
  AppendResults(b, most_rows, marks, out, links);
  *out += "</section>\n";
  return results;
}

void AppendResults(const ScoredBattle& b, std::size_t most_rows,
                   std::span<const std::uint8_t> marks, std::string* out,
                   const BattleLinks* links) {
  const std::string event = Num(static_cast<std::uint64_t>(b.event));
  // The results of every battle make most of a page: their cells carry no
  // class, the table's class aligns them.
  *out +=
      "<div class=\"scroll\" tabindex=\"0\" role=\"region\" "
      "aria-label=\"Results of event " +
      event + "\"><table class=\"r\"><caption>Results of event " + event +
      "</caption><thead><tr><th scope=\"col\" class=\"num\">Pos.</th><th "
      "scope=\"col\">Player</th><th scope=\"col\" class=\"num\">Time</th>"
      "<th scope=\"col\" class=\"num wide\">Diff.</th><th scope=\"col\" "
      "class=\"num\">Points</th></tr></thead><tbody>\n";
  const std::size_t rows = std::min(b.ranked.size(), most_rows);
  for (std::size_t k = 0; k < rows; ++k) {
    const TimeEntry& e = b.ranked[k];
    *out += "<tr><td>";
    AppendUnsigned(k + 1, out);
    *out += "</td><td>";
    LinkedText(links, kLatePlayer, k, Isolated(e.name), out);
    *out += "</td><td>";
    *out += ShownTime(e);
    // In words, not by colour alone: a screen reader says them too.
    const std::uint8_t mark = k < marks.size() ? marks[k] : 0;
    if ((mark & kNewRecord) != 0) *out += " <span class=\"mark\">record</span>";
    if ((mark & kPersonalBest) != 0) *out += " <span class=\"mark\">PB</span>";
    *out += "</td><td>";
    *out += ShownDifference(b.ranked, k);
    *out += "</td><td>";
    AppendUnsigned(e.points, out);
    *out += "</td></tr>\n";
  }
  CloseTable(out);
  if (rows < b.ranked.size()) {
    *out += "<p class=\"meta\">And " + Num(b.ranked.size() - rows) +
            " more players: the JSON and CSV exports list every one.</p>\n";
  }
}

}  // namespace vexlane::page

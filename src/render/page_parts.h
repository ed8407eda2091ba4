// What the modern page (-f web) and the static site (-f site) are made of:
// the page frame with its style, tables that lay out for a phone, and
// inline SVG charts with axes, a legend and a text summary. Every text
// from the log goes through Safe.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "render/export_model.h"

namespace vexlane::page {

// Log text made safe for HTML text and attribute values, as UTF-8.
std::string Safe(std::string_view bytes);
// Log text as a piece of a page's text, isolated from the text around it
// (<bdi>) so that no bidi control or right-to-left letter in a nick or a
// level moves the page's own words. Isolated for a piece of HTML text,
// IsolatedPlain where no markup may go (a title, an attribute): there the
// Unicode isolates FSI and PDI do the same.
std::string Isolated(std::string_view bytes);
std::string IsolatedPlain(std::string_view bytes);
std::string Num(std::uint64_t value);

// The page up to the opening of <main>: `title` is already safe HTML,
// `description` the meta description, `stylesheet` the address of a style
// sheet linked after the page's own (empty: none).
void OpenPage(std::string_view title, std::string_view description,
              std::string_view stylesheet, std::string* out);
// The footer, with a link to `home` where it is not empty, the optional
// sorting script where the page has a sortable table, and the page's end.
void ClosePage(bool sortable, std::string_view home, std::string* out);

// A table's columns: a head and flags. On a narrow screen the columns
// marked kWide are hidden (each has its cell also in a column kept, or
// matters only on a desktop).
enum CellFlags : unsigned {
  kText = 0,
  kNumber = 1,  // right-aligned
  kWide = 2,    // hidden on a phone
  kName = 4,    // a nick or level: wraps where it must
};
struct Column {
  std::string_view head;
  unsigned flags = kText;
};
// `style` names a table class of the style sheet whose cells are laid
// out by column, for tables of many rows that carry no class per cell:
// "pb" (a name, then numbers, the fourth column on hidden on a phone).
void OpenTable(std::string_view caption, const std::vector<Column>& columns,
               bool sortable, std::string* out, std::string_view style = {});
void CloseTable(std::string* out);
// One cell; `sort_key` is what a click on its head sorts by, when the text
// does not sort as it reads.
void Cell(std::string_view html, unsigned flags, std::string* out,
          std::string_view sort_key = {});

// A name reduced to lower-case ASCII letters, digits and single '-'
// between them, at most 40 characters; empty when it holds none.
std::string AsciiSlug(std::string_view name);

// The sort key of a time: times before apples, more apples before fewer.
std::string TimeSortKey(const TimeEntry& e);

// A line chart: one value per point for every line, the points labelled
// below the x axis by `x_labels` (an empty label has no tick). The lines
// differ by colour and by dash, and are named in a legend beside the
// chart. `summary` says in words what it shows.
struct ChartLine {
  std::string name;  // safe HTML
  std::vector<double> values;
};
void AppendLineChart(std::string_view title, std::string_view y_label,
                     const std::vector<std::string>& x_labels,
                     const std::vector<ChartLine>& lines,
                     std::string_view summary, std::string* out);

// A bar chart: one bar per label with its value written on it.
void AppendBarChart(std::string_view title,
                    const std::vector<std::string>& labels,
                    const std::vector<std::uint64_t>& values,
                    std::string_view summary, std::string* out);

// The labels of a season chart's points: the month ("2024-11") of the
// battle at each point where it has a date and is the first of its month
// among the points, else empty; with no dates at all, event numbers.
std::vector<std::string> SeasonLabels(
    const std::vector<const ScoredBattle*>& at);

// What a standings table shows besides the scores.
struct StandingsTable {
  std::string_view caption;
  const SeasonRatings* ratings = nullptr;  // a rating column
  // Addresses of the players' pages, parallel to the scores ("": none).
  const std::vector<std::string>* hrefs = nullptr;
  // The page that explains the rating; empty: a line below the table does.
  std::string_view rating_page;
  // Season::places_before: a column of each player's movement.
  const std::vector<std::uint32_t>* places_before = nullptr;
  std::size_t first_place = 1;  // of the table's first row
};

// The overall standings table: place, movement, player, points, battles,
// wins and the rating as `table` asks; on a desktop also the average and
// the total time. A line below it explains its terms.
void AppendStandings(const std::vector<PlayerScore>& scores,
                     const PlayerOrder& players, const StandingsTable& table,
                     std::string* out);

// A player's rating as the pages show it: the whole number, or while it is
// provisional "?" and how many of the battles it needs are rated:
// "? (3 of 5)". RatingSortKey sorts the provisional ones below every rated
// one, the more rated battles the higher.
std::string ShownRatingText(const PlayerRating& rating);
std::string RatingSortKey(const PlayerRating& rating);

// Links the site fills in once it knows its pages: the renderer writes
// kLateLink, a kind, the battle's position ("4"; for a player also "." and
// the entry's: "4.2"), "\x02" and the rest of the opening tag; the site
// replaces kLateLink up to "\x02" with the address (ResolveLateLinks in
// the site). Log text never holds "<", so never this.
inline constexpr std::string_view kLateLink = "<a href=\"\x01";
inline constexpr char kLateLevel = 'L';    // the battle's level
inline constexpr char kLateStarter = 'S';  // the battle's starter
inline constexpr char kLatePlayer = 'P';   // the player of an entry

// Where a battle's names link to on the site: its own page (from the
// pages beside it) and, by late links, its level, starter and players.
struct BattleLinks {
  std::size_t battle = 0;  // its position in the season
  std::string_view page;   // "event-4.html"
};

// One battle's heading (of level `heading`: 2 for <h2>), line of facts
// and results table, of at most `most_rows` rows; `id` is its anchor.
// `marks` holds the EntryMark bits of its entries, said beside the times
// (empty: none). With `links`, its names are links. Returns where in
// `*out` its results table begins.
std::size_t AppendBattle(const ScoredBattle& b, std::string_view id,
                         std::size_t most_rows, int heading,
                         std::span<const std::uint8_t> marks, std::string* out,
                         const BattleLinks* links = nullptr);

// The results table of AppendBattle alone.
void AppendResults(const ScoredBattle& b, std::size_t most_rows,
                   std::span<const std::uint8_t> marks, std::string* out,
                   const BattleLinks* links = nullptr);

// When a battle was, as people read it, in <time>: "on 12 Nov 2024, 19:54"
// from the date "2024-11-12" and a stamp that starts "19:54"; what of them
// is not a date or a clock is shown as the log wrote it. Empty: neither.
std::string WhenText(std::string_view date, std::string_view stamp);

// A date of a table ("2024-11-12") as "12 Nov 2024" in <time>.
std::string DateCell(std::string_view date);

// An instant "2005-03-05T09:05:00Z" as "5 Mar 2005, 09:05 UTC" in <time>.
std::string InstantText(std::string_view iso);

// "1 battle", "2 battles".
std::string Counted(std::uint64_t n, std::string_view noun);

// The season's span from its dated battles: "2024-09-01 to 2024-12-20",
// or empty when no battle has a date.
std::string SeasonSpan(const std::vector<ScoredBattle>& battles);

}  // namespace vexlane::page

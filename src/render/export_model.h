// What the machine-readable and web outputs are made from: every scored
// battle, the standings, the ratings and the run's settings, and what
// those outputs show worked out from them, with the numbers they share
// with the classic report. The renderers only lay it out.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scoring/season.h"

namespace vexlane {

// The title of the site and the web page when the user gives none.
inline constexpr std::string_view kDefaultTitle = "#battle statistics";
// The user's style sheet among the site's static files, linked from every
// page after the site's own style.
inline constexpr std::string_view kCustomStyleFile = "custom.css";

struct ExportSettings {
  int extra_points = 1;
  bool automatic = true;
  std::vector<std::string> levels;  // level-by-level mode: asked, in order
  struct Log {
    std::string name;
    std::string format;  // "classic", "weechat", ...
  };
  std::vector<Log> logs;
  std::time_t made = 0;  // the report time
  // The look of the site and the web page: their title (the user's text,
  // escaped where shown), the channel's home page that every footer links
  // to (empty: none), and whether the site holds a custom.css of the
  // user's, linked after its own style.
  std::string title{kDefaultTitle};
  std::string home;
  bool custom_css = false;
};

// The season and the run's settings, as the renderers take them.
struct ExportModel {
  ExportModel(const Season& s, const ExportSettings& run)
      : season(s),
        battles(s.battles),
        standings(s.standings),
        ratings(s.ratings),
        records(s.records),
        settings(run) {}
  const Season& season;
  const std::vector<ScoredBattle>& battles;
  const Standings& standings;
  const SeasonRatings& ratings;  // of `battles`, by the standings' players
  const SeasonRecords& records;
  const ExportSettings& settings;
};

// The time as the report shows it, without its padding: "0:59,87",
// "12 apples", "" for an empty entry.
std::string ShownTime(const TimeEntry& e);

// How far behind the winner, in hundredths, where the report shows a
// difference (`rank` 0 is the winner); nullopt where it shows none.
std::optional<std::uint64_t> BehindWinner(const std::vector<TimeEntry>& ranked,
                                          std::size_t rank);

// That difference as the report shows it, "+0:02,24"; empty for none.
std::string ShownDifference(const std::vector<TimeEntry>& ranked,
                            std::size_t rank);

// A rating as the outputs show it, rounded to one decimal: "12.3", "-0.4",
// "0.0" (never "-0.0"). PutRating puts it at `at` (room for 48 characters)
// and returns its end.
std::string RatingText(double ordinal);
char* PutRating(char* at, double ordinal);

}  // namespace vexlane

// Every output the program makes, in one table: the name -f takes, the
// extension of a numbered report file and how the output is rendered. A new
// output is a renderer and a row of that table; the command line, its help
// and the report builder read the table.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "scoring/season.h"

namespace vexlane {

struct ExportModel;
struct ScoredBattle;

struct StreamedRender {
  // What comes before the first battle and after the last.
  std::string (*head)(const ExportModel& model);
  std::string (*tail)(const ExportModel& model);
  // Appends one battle; `after` holds the rating of each of its ranked
  // entries' players after it, `marks` their EntryMark bits (empty where
  // the season gathers no records), `first` is set for the first battle.
  void (*battle)(const ScoredBattle& battle, std::span<const double> after,
                 std::span<const std::uint8_t> marks, bool first,
                 std::string* out);
};

// The whole output of a streamed row, as its `render`.
std::string RenderStreamed(const StreamedRender& streamed,
                           const ExportModel& model);

enum class ReportFormat {
  kComboText,  // the combo battle text file
  kStatsText,  // the "stats.txt -kind of file"
  kHtml,       // the classic page
  kJson,
  kCsv,
  kWeb,   // the modern page
  kSite,  // a directory of pages
};

struct ReportFormatRow {
  ReportFormat format;
  std::string_view name;       // what -f takes
  std::string_view extension;  // of a numbered report file
  std::string_view about;      // a few words for --help; may be empty
  // Renders the whole output from the model once every battle is in.
  // Null for the classic reports (text, stats, html): the builder renders
  // their battles' sections as the battles come and the frame at the end.
  std::string (*render)(const ExportModel& model);
  // Outputs whose battles stand alone also render each battle as it comes,
  // during the scan, and the rest around them at the end: `render` is then
  // the same text in one piece. Null where the whole is needed first.
  const StreamedRender* streamed = nullptr;
  // A site: pages written into a directory (-o names it) as they are
  // rendered, by PublishSite.
  bool site = false;
  // What the output shows of the season beyond its standings, which the
  // season then gathers as the battles come. A streamed output renders
  // its battles as they come and keeps none.
  SeasonParts parts{};
};

// Every row, in the order --help names them.
std::span<const ReportFormatRow> ReportFormats();

const ReportFormatRow& RowOf(ReportFormat format);

// The row that -f `name` names, or null.
const ReportFormatRow* FindReportFormat(std::string_view name);

inline std::string_view ExtensionOf(ReportFormat format) {
  return RowOf(format).extension;
}

// The classic text and HTML reports, rendered as the battles come.
inline bool IsClassic(ReportFormat format) {
  return format == ReportFormat::kComboText ||
         format == ReportFormat::kStatsText || format == ReportFormat::kHtml;
}

// The classic page; the modern page is no classic report.
inline bool IsHtml(ReportFormat format) {
  return format == ReportFormat::kHtml;
}

}  // namespace vexlane

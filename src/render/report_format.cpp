#include "render/report_format.h"

#include "render/csv_report.h"
#include "render/export_model.h"
#include "render/json_report.h"
#include "render/web_report.h"

namespace vexlane {

namespace {

constexpr StreamedRender kJsonStreamed = {RenderJsonHead, RenderJsonTail,
                                          AppendJsonBattle};
constexpr StreamedRender kCsvStreamed = {RenderCsvHead, RenderCsvTail,
                                         AppendCsvBattle};

constexpr ReportFormatRow kRows[] = {
    {ReportFormat::kComboText, "text", ".txt", "combo battle file", nullptr},
    {ReportFormat::kStatsText, "stats", ".txt", "stats.txt kind", nullptr},
    {ReportFormat::kHtml, "html", ".html", "the classic page", nullptr},
    {ReportFormat::kJson,
     "json",
     ".json",
     "",
     RenderJson,
     &kJsonStreamed,
     false,
     {.battles = true, .ratings = true, .records = true, .movement = true}},
    {ReportFormat::kCsv,
     "csv",
     ".csv",
     "",
     RenderCsv,
     &kCsvStreamed,
     false,
     {.battles = true, .ratings = true}},
    {ReportFormat::kWeb,
     "web",
     ".html",
     "a modern page",
     RenderWebPage,
     nullptr,
     false,
     {.battles = true, .ratings = true, .months = true, .movement = true}},
    {ReportFormat::kSite,
     "site",
     "",
     "a static site, into -o DIR",
     nullptr,
     nullptr,
     true,
     {.battles = true,
      .ratings = true,
      .records = true,
      .months = true,
      .histories = true,
      .movement = true}},
};

}  // namespace

std::string RenderStreamed(const StreamedRender& streamed,
                           const ExportModel& model) {
  std::string out = streamed.head(model);
  const double* after = model.ratings.after.data();
  const std::span<const std::uint8_t> marks = model.records.marks;
  std::size_t entries = 0;
  bool first = true;
  for (const ScoredBattle& b : model.battles) {
    const std::size_t n = b.ranked.size();
    streamed.battle(b, std::span<const double>(after, n),
                    MarksOf(marks, entries, n), first, &out);
    after += n;
    entries += n;
    first = false;
  }
  out += streamed.tail(model);
  return out;
}

std::span<const ReportFormatRow> ReportFormats() { return kRows; }

const ReportFormatRow& RowOf(ReportFormat format) {
  for (const ReportFormatRow& row : kRows) {
    if (row.format == format) return row;
  }
  return kRows[0];
}

const ReportFormatRow* FindReportFormat(std::string_view name) {
  for (const ReportFormatRow& row : kRows) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

}  // namespace vexlane

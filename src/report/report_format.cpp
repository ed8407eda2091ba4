#include "report/report_format.h"

#include "report/csv_report.h"
#include "report/export_model.h"
#include "report/json_report.h"
#include "report/web_report.h"

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
    {ReportFormat::kJson, "json", ".json", "", RenderJson, &kJsonStreamed,
     false, true},
    {ReportFormat::kCsv, "csv", ".csv", "", RenderCsv, &kCsvStreamed},
    {ReportFormat::kWeb, "web", ".html", "a modern page", RenderWebPage},
    {ReportFormat::kSite, "site", "", "a static site, into -o DIR", nullptr,
     nullptr, true, true},
};

}  // namespace

std::string RenderStreamed(const StreamedRender& streamed,
                           const ExportModel& model) {
  std::string out = streamed.head(model);
  const double* after = model.ratings.after.data();
  bool first = true;
  for (const ScoredBattle& b : model.battles) {
    streamed.battle(b, std::span<const double>(after, b.ranked.size()), first,
                    &out);
    after += b.ranked.size();
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

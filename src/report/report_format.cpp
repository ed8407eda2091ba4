#include "report/report_format.h"

#include "report/csv_report.h"
#include "report/json_report.h"
#include "report/web_report.h"

namespace vexlane {

namespace {

constexpr ReportFormatRow kRows[] = {
    {ReportFormat::kComboText, "text", ".txt", "combo battle file", nullptr},
    {ReportFormat::kStatsText, "stats", ".txt", "stats.txt kind", nullptr},
    {ReportFormat::kHtml, "html", ".html", "the classic page", nullptr},
    {ReportFormat::kJson, "json", ".json", "", RenderJson},
    {ReportFormat::kCsv, "csv", ".csv", "", RenderCsv},
    {ReportFormat::kWeb, "web", ".html", "a modern page", RenderWebPage},
};

}  // namespace

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

#include "app/report_builder.h"

#include "report/battle_section.h"
#include "report/csv_report.h"
#include "report/json_report.h"
#include "report/report_date.h"
#include "report/web_report.h"

namespace vexlane {

ReportBuilder::ReportBuilder(OutputFormat format, ExportSettings* settings)
    : format_(format), settings_(settings) {
  if (classic()) results_.reserve(100000);
  standings_.scores.reserve(1000);
  standings_.battles.reserve(3000);
}

bool ReportBuilder::classic() const {
  return format_ == OutputFormat::kText || format_ == OutputFormat::kStats ||
         format_ == OutputFormat::kHtml;
}

ReportFormat ReportBuilder::ClassicFormat() const {
  if (format_ == OutputFormat::kStats) return ReportFormat::kStatsText;
  if (format_ == OutputFormat::kHtml) return ReportFormat::kHtml;
  return ReportFormat::kComboText;
}

const ScoredBattle& ReportBuilder::Add(FoundBattle* battle) {
  last_ = ScoreBattle(std::move(*battle), settings_->extra_points);
  AddToStandings(last_, &standings_);
  if (classic()) {
    AppendBattleSection(last_, ClassicFormat(), &results_);
    return last_;
  }
  AddToRatings(last_, &standings_, &ratings_);
  kept_.push_back(std::move(last_));
  return kept_.back();
}

void ReportBuilder::Finish() {
  settings_->made = ReportTime();
  if (!classic()) {
    const ExportModel model{kept_, standings_, ratings_, *settings_};
    if (format_ == OutputFormat::kJson) {
      rendered_ = RenderJson(model);
    } else if (format_ == OutputFormat::kCsv) {
      rendered_ = RenderCsv(model);
    } else {
      rendered_ = RenderWebPage(model);
    }
    return;
  }
  const std::string when = ReportCtimeText();
  head_ = ReportHead(ClassicFormat(), standings_.battles, DateFromCtime(when),
                     ClockFromCtime(when));
  tail_ = BuildReportTail(ClassicFormat(), standings_);
}

std::vector<std::string_view> ReportBuilder::Pieces() const {
  if (!classic()) return {rendered_};
  return {head_, results_, tail_.text};
}

std::size_t ReportBuilder::players() const {
  std::size_t n = 0;
  for (const PlayerScore& s : standings_.scores) n += s.battles > 0 ? 1 : 0;
  return n;
}

std::string_view ExtensionOf(OutputFormat format) {
  switch (format) {
    case OutputFormat::kHtml:
    case OutputFormat::kWeb:
      return ".html";
    case OutputFormat::kJson:
      return ".json";
    case OutputFormat::kCsv:
      return ".csv";
    case OutputFormat::kText:
    case OutputFormat::kStats:
      break;
  }
  return ".txt";
}

}  // namespace vexlane

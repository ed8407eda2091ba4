#include "app/report_builder.h"

#include "report/battle_section.h"
#include "report/report_date.h"

namespace vexlane {

ReportBuilder::ReportBuilder(ReportFormat format, int extra_points)
    : format_(format), extra_points_(extra_points) {
  results_.reserve(100000);
  standings_.scores.reserve(1000);
  standings_.battles.reserve(3000);
}

const ScoredBattle& ReportBuilder::Add(FoundBattle* battle) {
  last_ = ScoreBattle(std::move(*battle), extra_points_);
  AppendBattleSection(last_, format_, &results_);
  AddToStandings(last_, &standings_);
  return last_;
}

void ReportBuilder::Finish() {
  const std::string when = ReportCtimeText();
  head_ = ReportHead(format_, standings_.battles, DateFromCtime(when),
                     ClockFromCtime(when));
  tail_ = BuildReportTail(format_, standings_);
}

std::vector<std::string_view> ReportBuilder::Pieces() const {
  return {head_, results_, tail_.text};
}

std::size_t ReportBuilder::players() const {
  std::size_t n = 0;
  for (const PlayerScore& s : standings_.scores) n += s.battles > 0 ? 1 : 0;
  return n;
}

std::string_view ExtensionOf(ReportFormat format) {
  return IsHtml(format) ? ".html" : ".txt";
}

}  // namespace vexlane

#include "app/report_builder.h"

#include "report/battle_section.h"
#include "report/report_date.h"

namespace vexlane {

ReportBuilder::ReportBuilder(ReportFormat format, ExportSettings* settings)
    : row_(RowOf(format)), settings_(settings) {
  results_.emplace_back().reserve(classic() || row_.streamed != nullptr ? 100000
                                                                        : 0);
  standings_.scores.reserve(1000);
  standings_.battles.reserve(3000);
}

const ScoredBattle& ReportBuilder::Add(FoundBattle* battle) {
  last_ = ScoreBattle(std::move(*battle), settings_->extra_points);
  AddToStandings(last_, &standings_);
  if (classic()) {
    AppendBattleSection(last_, row_.format, ResultsEnd());
    return last_;
  }
  AddToRatings(last_, &standings_, &ratings_);
  if (row_.streamed != nullptr) {
    const std::size_t n = last_.ranked.size();
    row_.streamed->battle(
        last_,
        std::span<const double>(
            ratings_.after.data() + ratings_.after.size() - n, n),
        kept_.empty(), ResultsEnd());
  }
  kept_.push_back(std::move(last_));
  records_builder_.Add(kept_.back(), kept_.size() - 1, standings_);
  if (row_.site) sections_.Add(kept_.back());
  return kept_.back();
}

void ReportBuilder::Finish() {
  settings_->made = ReportTime();
  if (!classic()) {
    records_ = records_builder_.Records(standings_);
    const ExportModel model = this->model();
    if (row_.streamed != nullptr) {
      head_ = row_.streamed->head(model);
      rendered_ = row_.streamed->tail(model);
    } else if (!row_.site) {
      rendered_ = row_.render(model);
    }
    return;
  }
  const std::string when = ReportCtimeText();
  head_ = ReportHead(row_.format, standings_.battles, DateFromCtime(when),
                     ClockFromCtime(when));
  tail_ = BuildReportTail(row_.format, standings_);
}

std::vector<std::string_view> ReportBuilder::Pieces() const {
  if (!classic() && row_.streamed == nullptr) return {rendered_};
  std::vector<std::string_view> pieces = {head_};
  pieces.insert(pieces.end(), results_.begin(), results_.end());
  pieces.push_back(row_.streamed != nullptr ? rendered_ : tail_.text);
  return pieces;
}

std::string* ReportBuilder::ResultsEnd() {
  // A string that grew to tens of megabytes by doubling would have copied
  // itself and touched twice the memory; pieces of a few megabytes never
  // move.
  constexpr std::size_t kPiece = std::size_t{4} << 20;
  if (results_.back().size() >= kPiece) {
    results_.emplace_back().reserve(kPiece + (kPiece >> 4));
  }
  return &results_.back();
}

std::size_t ReportBuilder::players() const {
  std::size_t n = 0;
  for (const PlayerScore& s : standings_.scores) n += s.battles > 0 ? 1 : 0;
  return n;
}

}  // namespace vexlane

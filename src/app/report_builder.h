// Builds a report battle by battle as the finder hands them over: each is
// scored and added to the standings; a classic report renders its section
// at once, the other outputs rate the battle and keep it for the end (and
// those that can render it at once as well).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "log/battle_finder.h"
#include "report/export_model.h"
#include "report/report_format.h"
#include "report/report_frame.h"
#include "report/site_report.h"
#include "scoring/rating.h"
#include "scoring/standings.h"

namespace vexlane {

class ReportBuilder {
 public:
  // `settings` must outlive the builder; its `made` is set by Finish.
  ReportBuilder(ReportFormat format, ExportSettings* settings);

  // Scores `*battle` (moving from it) and adds it to the report.
  const ScoredBattle& Add(FoundBattle* battle);

  // Renders the report at the report time; it is then Pieces(). Follow
  // mode renders it again after more battles have been added.
  void Finish();
  std::vector<std::string_view> Pieces() const;
  // What the other outputs are rendered from; a site is rendered from it
  // as it is written.
  const BattleSections& battle_sections() const { return sections_; }
  ExportModel model() const {
    return ExportModel{kept_, standings_, ratings_, *settings_, &records_};
  }
  // The classic tail, of which level-by-level mode shows a part.
  const ReportTail& tail() const { return tail_; }

  std::size_t battles() const { return standings_.battles.size(); }
  // Players with a time in at least one battle.
  std::size_t players() const;

 private:
  bool classic() const { return IsClassic(row_.format); }

  const ReportFormatRow& row_;
  ExportSettings* settings_;
  ScoredBattle last_;
  std::vector<ScoredBattle> kept_;  // the other outputs' battles
  SeasonRatings ratings_;           // of kept_
  // Where the next battle's text goes: the last of `results_`, or a new
  // piece once that one is full.
  std::string* ResultsEnd();
  std::vector<std::string> results_;  // the battles' text, in pieces
  Standings standings_;
  std::string head_;
  ReportTail tail_;
  // The other outputs' whole text, or what follows the battles of a
  // streamed one (whose `head_` and `results_` come before).
  std::string rendered_;
  BattleSections sections_;
  RecordsBuilder records_builder_;  // gathered as the battles come
  SeasonRecords records_;  // a site's battle pages, rendered as they come
};

}  // namespace vexlane

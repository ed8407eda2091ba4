// Builds a classic report battle by battle as the finder hands them over:
// each is scored, its section rendered and the standings updated; at the
// end the head and tail frame the sections.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "log/battle_finder.h"
#include "report/report_format.h"
#include "report/report_frame.h"
#include "scoring/standings.h"

namespace vexlane {

class ReportBuilder {
 public:
  ReportBuilder(ReportFormat format, int extra_points);

  // Scores `*battle` (moving from it) and adds it to the report.
  const ScoredBattle& Add(FoundBattle* battle);

  // Frames the sections with the report time's head and the tail; the
  // report is then Pieces().
  void Finish();
  std::vector<std::string_view> Pieces() const;
  const ReportTail& tail() const { return tail_; }

  ReportFormat format() const { return format_; }
  std::size_t battles() const { return standings_.battles.size(); }
  std::size_t players() const;

 private:
  ReportFormat format_;
  int extra_points_;
  ScoredBattle last_;
  std::string results_;
  Standings standings_;
  std::string head_;
  ReportTail tail_;
};

// ".txt" or ".html".
std::string_view ExtensionOf(ReportFormat format);

}  // namespace vexlane

// The frame of the classic report: the head (HTML preamble, title line,
// battle index) before the battles' results, and the tail after them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "render/report_format.h"
#include "scoring/season.h"

namespace vexlane {

// The HTML preamble (HTML only), the title line and the battle index.
std::string ReportHead(ReportFormat format,
                       const std::vector<BattleSummary>& battles,
                       std::string_view date, std::string_view clock);

struct ReportTail {
  std::string text;
  // The first `console_copy` bytes of `text` (the overall scores and
  // battles-by tables) are what the level-by-level mode also shows on the
  // console; 0 for the stats.txt kind.
  std::size_t console_copy = 0;
};

// The summary sections, the footer and, for HTML, the closing tags.
ReportTail BuildReportTail(ReportFormat format, const Standings& standings);

}  // namespace vexlane

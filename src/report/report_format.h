// The classic report's three forms.
#pragma once

namespace vexlane {

enum class ReportFormat {
  kComboText,  // the combo battle text file
  kStatsText,  // the "stats.txt -kind of file"
  kHtml,
};

inline bool IsHtml(ReportFormat format) {
  return format == ReportFormat::kHtml;
}

}  // namespace vexlane

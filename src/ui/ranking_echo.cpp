#include "ui/ranking_echo.h"

#include <ostream>
#include <string>

#include "base/text.h"
#include "render/time_text.h"

namespace vexlane {

namespace {

constexpr std::string_view kConsoleColumns =
    " Pos.  Player       Time        Diff.        Points ";

}  // namespace

void EchoRanking(const std::vector<TimeEntry>& ranked, std::ostream& out) {
  out << "\n"
      << "Results: \n"
      << kConsoleColumns << "\n"
      << std::string(53, '-') << "\n";
  for (std::size_t k = 0; k < ranked.size(); ++k) {
    const TimeEntry& e = ranked[k];
    out << " " << PadRight(UnsignedText(k + 1) + ". ", 6)
        << PadRight(e.name, 12) << " " << TimeColumnText(e) << "     "
        << DifferenceText(e, ranked[0]) << "     " << e.points << "\n";
  }
}

}  // namespace vexlane

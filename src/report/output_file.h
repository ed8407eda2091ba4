// Writes the finished report to the first free BattleNN.txt / .html; an
// existing file is never replaced.
#pragma once

#include <string>
#include <string_view>

#include "driver/console.h"

namespace vexlane {

// "Battle07.txt" or "Battle07.html".
std::string ReportFileName(int number, bool html);

// Writes head, results and tail, in that order, to the first free report
// name in `directory` (empty: the working directory), tells the user the
// outcome and pauses once. Returns true only when the whole report is on
// disk; a failed write leaves no partial file behind.
bool WriteReportFile(std::string_view head, std::string_view results,
                     std::string_view tail, bool html, Console& console,
                     const std::string& directory = "");

}  // namespace vexlane

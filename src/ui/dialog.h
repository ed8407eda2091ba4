// The start-up questions and the next-level prompt of the console dialog.
#pragma once

#include <string>
#include <string_view>

#include "render/report_format.h"
#include "ui/console.h"

namespace vexlane {

// The log read when none is named.
inline constexpr std::string_view kDefaultLogName = "#battle.log";

struct RunSettings {
  int extra_points = 1;
  std::string log_file_name = std::string(kDefaultLogName);
  ReportFormat format = ReportFormat::kComboText;
  bool automatic_mode = false;
};

// Prints the banner and help and asks every start-up question, filling
// `*settings` and the first level name. Returns false, after telling the
// user and pausing, when the log file cannot be read.
bool AskSettings(Console& console, RunSettings* settings,
                 std::string* first_level);

// Asks for the level of event `event` when `event` > 1 or `force`; returns
// true while `*level` is not blank.
bool NextLevelPrompt(Console& console, int event, std::string* level,
                     bool force);

}  // namespace vexlane

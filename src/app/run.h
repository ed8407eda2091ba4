// One whole run of the console dialog: questions, battle finding, scoring,
// the report and every message to the user.
#pragma once

#include <string>

#include "ui/console.h"

namespace vexlane {

// Returns the exit status: 1 when the log cannot be read, else 0. The report
// goes to `directory` (empty: the working directory).
int RunProgram(Console& console, const std::string& directory = "");

}  // namespace vexlane

// One whole run of the program: dialog, log scan, report.
#pragma once

#include <string>

#include "driver/console.h"

namespace vexlane {

// Returns the exit status: 1 when the log cannot be read, else 0. The report
// goes to `directory` (empty: the working directory).
int RunProgram(Console& console, const std::string& directory = "");

}  // namespace vexlane

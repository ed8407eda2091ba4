// Assembles the report (head, battle results, tail) at the end of a run and
// hands it to the output file writer.
#pragma once

#include <string>
#include <string_view>

#include "driver/console.h"
#include "driver/dialog.h"
#include "results/battle_results.h"

namespace vexlane {

// The HTML preamble (HTML only), the title line and the battle index.
std::string ReportHead(const RunSettings& settings, const RunCollections& run,
                       std::string_view date, std::string_view clock);

// The overall sections and, for HTML, the closing tags. Reorders run->scores.
std::string ReportTail(const RunSettings& settings, RunCollections* run,
                       std::ostream& console);

// Prints "Writing to file...", builds the report with the current date and
// time and writes it to a new file in `directory`. True when it was written.
bool WriteReport(const RunSettings& settings, RunCollections* run,
                 Console& console, const std::string& directory = "");

}  // namespace vexlane

#include "driver/run.h"

#include <ostream>

#include "driver/dialog.h"
#include "driver/log_scan.h"
#include "driver/report_frame.h"

namespace vexlane {

int RunProgram(Console& console, const std::string& directory) {
  RunSettings settings;
  std::string first_level;
  if (!AskSettings(console, &settings, &first_level)) return 1;
  if (settings.automatic_mode) {
    console.out << "Please wait, generating file..."
                << "\n";
  }
  RunCollections run;
  run.results.reserve(100000);
  run.scores.reserve(1000);
  run.summaries.reserve(3000);
  const int added = ScanLog(settings, first_level, &run, console);
  if (added > 0) WriteReport(settings, &run, console, directory);
  console.out << std::flush;
  return 0;
}

}  // namespace vexlane

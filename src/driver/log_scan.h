// Finds the battles of the channel log and hands each one with times to the
// battle results writer; in level-by-level mode it asks for each level and
// lets the user review the times first.
#pragma once

#include <string>

#include "driver/console.h"
#include "driver/dialog.h"
#include "results/battle_results.h"

namespace vexlane {

// Scans the log of `settings` starting with `first_level` (ignored in
// automatic mode). Returns the number of battles added to `*run`.
int ScanLog(const RunSettings& settings, const std::string& first_level,
            RunCollections* run, Console& console);

}  // namespace vexlane

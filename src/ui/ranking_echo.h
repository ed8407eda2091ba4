// The ranking of a battle as the level-by-level mode shows it on the
// console right after the time review.
#pragma once

#include <iosfwd>
#include <vector>

#include "log/time_entry.h"

namespace vexlane {

// "Results: " and one row per ranked entry, best first.
void EchoRanking(const std::vector<TimeEntry>& ranked, std::ostream& out);

}  // namespace vexlane

// The level-by-level check of one battle's times before they are scored:
// the user drops times by number or adds times typed by hand.
#pragma once

#include <iosfwd>
#include <vector>

#include "log/time_entry.h"

namespace vexlane {

// Shows `*times`, then edits it from the lines of `in` until an empty line
// or the end of input.
void ReviewTimes(std::vector<TimeEntry>* times, std::istream& in,
                 std::ostream& out);

}  // namespace vexlane

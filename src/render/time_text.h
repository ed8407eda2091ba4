// The fixed-width texts of a time entry that the report tables and the
// console show: the time column and the difference to the winner.
#pragma once

#include <string>

#include "log/time_entry.h"

namespace vexlane {

// The 12-character right-aligned time column: "m:ss,hh", "h:mm:ss,hh" above
// 60 minutes, an apple count, or 12 blanks for an empty entry.
std::string TimeColumnText(const TimeEntry& e);
void AppendTimeColumn(const TimeEntry& e, std::string* out);

// The time column without its padding, put at `at` (room for 48
// characters), and the end of it: "0:59,87", "12 apples", nothing for an
// empty entry. For the outputs that write one for every entry of a season.
char* PutShownTime(char* at, const TimeEntry& e);

// "+m:ss,hh" behind the winner, or 8 blanks when there is no difference to
// show (either has no time, `e` is the winner's own record, or `best` is not
// better).
std::string DifferenceText(const TimeEntry& e, const TimeEntry& best);
void AppendDifference(const TimeEntry& e, const TimeEntry& best,
                      std::string* out);

}  // namespace vexlane

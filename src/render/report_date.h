// The date and time of day shown in the report's title line.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace vexlane {

// Day.month.year ("5.3.2005") read from a ctime-style text
// ("Sat Mar  5 09:05:00 2005\n"), or empty text.
std::string DateFromCtime(std::string_view ctime_text);
// hh:mm:ss read from the same, or empty text.
std::string ClockFromCtime(std::string_view ctime_text);

// The report time: SOURCE_DATE_EPOCH when it holds a decimal number of
// seconds (for reproducible reports), else the clock.
std::time_t ReportTime();

// "2005-03-05T09:05:00Z": `when` in UTC, ISO 8601.
std::string IsoUtcText(std::time_t when);

// The ctime text of the report time: SOURCE_DATE_EPOCH when it holds a
// decimal number of seconds (for reproducible reports), else the clock.
std::string ReportCtimeText();

}  // namespace vexlane

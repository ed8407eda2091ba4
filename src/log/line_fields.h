// The two fields the log scan takes out of every log line: who spoke it and
// its time stamp. Both return views into the line.
#pragma once

#include <string_view>

namespace vexlane {

// The nick between the first '<' and the first '>' (decoration such as "@"
// and "+" stripped), or empty when the line is not a spoken message.
std::string_view SpeakerOf(std::string_view line);

// The first white-space separated word that reads hh?mm?ss (one "[" and one
// "]" removed), including anything after the seconds; empty when none.
std::string_view TimeStampOf(std::string_view line);

}  // namespace vexlane

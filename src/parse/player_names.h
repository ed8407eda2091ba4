// The nick that a bot's battle announcement credits ("... by <nick>").
#pragma once

#include <string>
#include <string_view>

namespace vexlane {

// The word after the first word "by" (any case), with decoration stripped,
// a leading "Unregistered-" prefix dropped and cut to 11 characters; empty
// when there is no "by" or nothing follows it.
std::string AnnouncedNickOf(std::string_view line);

}  // namespace vexlane

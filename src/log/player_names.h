// Nicks in the log: the bots that announce battles, and the nick that an
// announcement credits ("... by <nick>").
#pragma once

#include <string>
#include <string_view>

namespace vexlane {

// The longest nick an announcement credits, and the longest player name
// typed in the time review dialog.
constexpr std::size_t kMaxNickLength = 11;

// True for the announcing bots, "battlebot" and "ballebot" (exact case).
bool IsBotNick(std::string_view nick);

// True for the nicks that may stop any battle besides its starter: the
// bots and "quib" (exact case).
bool IsPrivilegedStopper(std::string_view nick);

// The word after the first word "by" (any case), with decoration stripped,
// a leading "Unregistered-" prefix dropped and cut to 11 characters; empty
// when there is no "by" or nothing follows it.
std::string AnnouncedNickOf(std::string_view line);

}  // namespace vexlane

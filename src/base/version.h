// The program's name, and its version set once in the build (the project
// version).
#pragma once

#include <string_view>

namespace vexlane {

// What every message on standard error starts with.
inline constexpr std::string_view kMessagePrefix = "vexlane-stats: ";

// The installed program's name: "vexlane-stats".
inline constexpr std::string_view kProgramName =
    kMessagePrefix.substr(0, kMessagePrefix.size() - 2);

// "1.9": shown by --version and in the console banner.
std::string_view ProgramVersion();

}  // namespace vexlane

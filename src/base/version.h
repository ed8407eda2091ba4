// The program's version, set once in the build (the project version).
#pragma once

#include <string_view>

namespace vexlane {

// "1.9": shown by --version and in the console banner.
std::string_view ProgramVersion();

}  // namespace vexlane

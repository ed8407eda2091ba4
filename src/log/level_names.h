// Level names out of lines that link a level file (a name ending in ".lev").
#pragma once

#include <string_view>

namespace vexlane {

// Position of the first ".lev" in any case, or npos.
std::size_t FindLevExtension(std::string_view line);

// The level name before the first ".lev" (any case): the text after the last
// "/" or blank before it, in its original case; empty when there is none.
std::string_view LevelNameOf(std::string_view line);

// The link as the line gave it: the white-space separated word that holds
// the first ".lev" (any case); empty when there is none.
std::string_view LevelLinkOf(std::string_view line);

}  // namespace vexlane

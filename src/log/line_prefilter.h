// A quick look at a whole line before the word searches: most log lines are
// chat that holds no '.' (so no ".lev" or ".rec") and no "by" in any case
// (so no announcement), and need none of them.
#pragma once

#include <string_view>

namespace vexlane {

struct Anchors {
  bool dot = false;  // a '.' somewhere
  bool by = false;   // "by" in any case somewhere
};

Anchors AnchorsOf(std::string_view line);

}  // namespace vexlane

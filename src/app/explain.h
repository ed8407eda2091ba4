// The words of --explain: one grep-friendly line for each decision of the
// battle finder, "LOG line N: what happened".
#pragma once

#include <ostream>
#include <string>

#include "log/battle_finder.h"

namespace vexlane {

class ProgressLine;

// What happened, in words, without the "LOG line N: " before it.
std::string ExplainText(const FinderEvent& event);

// Writes each event to `out` (clearing the progress line first, when one
// is shown), with control characters made visible.
class Explainer : public FinderTrace {
 public:
  Explainer(std::ostream& out, ProgressLine* progress)
      : out_(out), progress_(progress) {}
  void Event(const FinderEvent& event) override;

 private:
  std::ostream& out_;
  ProgressLine* progress_;
};

}  // namespace vexlane

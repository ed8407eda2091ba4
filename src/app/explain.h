// The words of --explain: one grep-friendly line for each decision of the
// battle finder, "LOG line N: what happened".
#pragma once

#include <ostream>
#include <string>

#include "log/battle_finder.h"
#include "scoring/corrections.h"

namespace vexlane {

class ProgressLine;

// What happened, in words, without the "LOG line N: " before it.
std::string ExplainText(const FinderEvent& event);

// What a correction of the settings file changed in `battle`, in words.
std::string CorrectionText(const Correction& change, const FoundBattle& battle);

// Writes each event to `out` (clearing the progress line first, when one
// is shown), with control characters made visible.
class Explainer : public FinderTrace {
 public:
  Explainer(std::ostream& out, ProgressLine* progress)
      : out_(out), progress_(progress) {}
  void Event(const FinderEvent& event) override;
  // A change the settings file `file` made, from its line `line` (0: the
  // command line's --since or --until).
  void Settings(std::string_view file, std::size_t line, std::string_view text);

 private:
  std::ostream& out_;
  ProgressLine* progress_;
};

}  // namespace vexlane

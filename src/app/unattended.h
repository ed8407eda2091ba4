// A run from the command line's options: no questions, no wait, the report
// to a chosen place, the outcome on standard output and failures on
// standard error with the exit status scripts expect.
#pragma once

#include <iosfwd>

#include "app/command_line.h"

namespace vexlane {

struct StandardStreams {
  std::ostream& out;
  std::ostream& err;
  bool err_is_terminal = false;  // progress is shown only there
  bool out_was_closed = false;   // "-o -" then has nowhere to go
  bool in_was_closed = false;    // "-i -" then has nothing to read
};

// Returns the exit status: 0 when the report was written or no battle was
// found, 1 when a log cannot be read or the report cannot be written.
int RunUnattended(const RunOptions& options, StandardStreams& streams);

}  // namespace vexlane

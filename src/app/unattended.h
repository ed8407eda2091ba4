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

// --follow: a run that then keeps reading the last log as the IRC client
// writes it, republishing the report each time a battle ends, until
// SIGTERM or SIGINT ends it as a run ends (status 0 when the last report
// was written). SIGHUP reads the settings again (`command_line` with its
// --config file) and makes the report anew. `options` are the run's
// options to start with.
int RunFollowing(const RunOptions& command_line, const RunOptions& options,
                 StandardStreams& streams);

}  // namespace vexlane

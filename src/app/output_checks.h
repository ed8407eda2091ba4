// Checks made before the logs are read, so that a long run does not end
// with nowhere to write: the report, the site and the explanation each
// go to a place they may take.
#pragma once

#include <string>
#include <string_view>

#include "app/command_line.h"
#include "app/log_run.h"
#include "app/unattended.h"

namespace vexlane {

// What the run writes, for messages: "report", or "site".
std::string_view OutputNoun(const RunOptions& options);

// Checks before the scan that the report and the explanation can go where
// they are asked to, so that a long run does not end with nowhere to
// write. Empty when they can.
std::string OutputProblem(const RunOptions& options,
                          const StandardStreams& streams, const Logs& logs);

}  // namespace vexlane

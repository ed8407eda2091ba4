// Writes a finished report: to the first free BattleNN file of a
// directory, to a named file, or to an open stream. A report file is
// written whole to a temporary file beside it (a hidden name no report
// has), put on the disk, and only then given its name in one step, so no
// run, however it ends, leaves a partial report under a report's name. An
// existing file is never replaced unless asked. It only returns what
// happened: telling the user is the caller's.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vexlane {

// "Battle07" + extension (".txt", ".html").
std::string ReportFileName(int number, std::string_view extension);

struct WriteOutcome {
  bool ok = false;
  std::string name;   // the file name chosen ("Battle03.txt"); empty when
                      // all 99 were taken
  std::string path;   // the name with its directory
  std::string error;  // why the report was not written (from errno)
};

// Writes `pieces`, in order and with nothing between them, to the first
// report name in `directory` (empty: the working directory) that cannot be
// opened for reading, from 01 to 99.
WriteOutcome WriteNumberedReport(const std::vector<std::string_view>& pieces,
                                 std::string_view extension,
                                 const std::string& directory);

// Writes `pieces` to `path`, which must not exist yet.
WriteOutcome WriteNewReport(const std::vector<std::string_view>& pieces,
                            const std::string& path);

// Writes `pieces` to a temporary file beside `path` and then gives it that
// name, replacing a regular file of that name in one step; anything else
// under that name (a directory, a device) is refused.
WriteOutcome ReplaceReport(const std::vector<std::string_view>& pieces,
                           const std::string& path);

// Writes `pieces` to `stream` and flushes it.
WriteOutcome WriteReportTo(const std::vector<std::string_view>& pieces,
                           std::FILE* stream);

}  // namespace vexlane

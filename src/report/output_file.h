// Writes a finished report to the first free BattleNN file of a directory;
// an existing file is never replaced and a failed write leaves no partial
// file. It only returns what happened: telling the user is the caller's.
#pragma once

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

}  // namespace vexlane

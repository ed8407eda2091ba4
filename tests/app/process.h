// Runs the built program as a process, as scripts and cron run it.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "test_util.h"

namespace vexlane::testing {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the program in `dir` with the shell words `arguments` and `input` on
// standard input, at a fixed report time; `redirect` may replace the
// standard output.
inline Outcome RunIn(const TempDir& dir, const std::string& arguments,
                     const std::string& input = "",
                     const std::string& redirect = "> out") {
  WriteFile(dir.File("in"), input);
  const std::string command =
      "cd '" + dir.path() + "' && SOURCE_DATE_EPOCH=1110013500 TZ=UTC '" +
      VEXLANE_BINARY + "' " + arguments + " < in " + redirect + " 2> err";
  const int raw = std::system(command.c_str());
  Outcome o;
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  o.out = ReadFile(dir.File("out"));
  o.err = ReadFile(dir.File("err"));
  return o;
}

}  // namespace vexlane::testing

// Runs the built program as a process with piped answers, as users script it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "test_util.h"

namespace vexlane {
namespace {

using testing::Exists;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct Outcome {
  int status = -1;
  std::string output;
};

// Runs the program in `dir` with `arguments` and `input` on standard input.
Outcome RunProgramIn(const TempDir& dir, const std::string& input,
                     const std::string& arguments = "") {
  WriteFile(dir.File("in.txt"), input);
  const std::string command = "cd '" + dir.path() +
                              "' && SOURCE_DATE_EPOCH=0 '" + VEXLANE_BINARY +
                              "' " + arguments + " < in.txt > out.txt 2>&1";
  const int raw = std::system(command.c_str());
  Outcome o;
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  o.output = ReadFile(dir.File("out.txt"));
  return o;
}

TEST(Program, SampleLogWithEnterEverywhere) {
  TempDir dir;
  WriteFile(dir.File("#battle.log"),
            ReadFile(std::string(VEXLANE_EXAMPLES_DIR) + "/#battle.log"));
  Outcome o = RunProgramIn(dir, "\n\n\n\n\n\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.output.find("Adding event 7: Final by Kim...\nWriting to "
                          "file...\nOutput file Battle01.txt was made "
                          "successfully. \nPress any key to continue . . . \n"),
            std::string::npos);
  const std::string report = ReadFile(dir.File("Battle01.txt"));
  EXPECT_NE(report.find("Event 6: Loop by Jay at 23:50:46 (11 mins)"),
            std::string::npos);

  // A second run never replaces the first report.
  o = RunProgramIn(dir, "");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(ReadFile(dir.File("Battle01.txt")), report);
  EXPECT_TRUE(Exists(dir.File("Battle02.txt")));
}

TEST(Program, VersionAndUnknownOptions) {
  TempDir dir;
  Outcome o = RunProgramIn(dir, "", "--version");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.output, "vexlane-stats 1.9\n");
  o = RunProgramIn(dir, "", "-v");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.output.rfind("vexlane-stats: unknown option '-v'\nUsage: ", 0),
            0u);
}

}  // namespace
}  // namespace vexlane

// Runs the built program as a process with piped answers, as users script it.
#include <gtest/gtest.h>

#include "app/process.h"

namespace vexlane {
namespace {

using testing::Exists;
using testing::Outcome;
using testing::ReadFile;
using testing::RunIn;
using testing::TempDir;
using testing::WriteFile;

TEST(Program, SampleLogWithEnterEverywhere) {
  TempDir dir;
  WriteFile(dir.File("#battle.log"),
            ReadFile(std::string(VEXLANE_EXAMPLES_DIR) + "/#battle.log"));
  Outcome o = RunIn(dir, "", "\n\n\n\n\n\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.out.find("Adding event 7: Final by Kim...\nWriting to "
                       "file...\nOutput file Battle01.txt was made "
                       "successfully. \nPress any key to continue . . . \n"),
            std::string::npos);
  const std::string report = ReadFile(dir.File("Battle01.txt"));
  EXPECT_NE(report.find("Event 6: Loop by Jay at 23:50:46 (11 mins)"),
            std::string::npos);

  // A second run never replaces the first report.
  o = RunIn(dir, "");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(ReadFile(dir.File("Battle01.txt")), report);
  EXPECT_TRUE(Exists(dir.File("Battle02.txt")));

  EXPECT_EQ(RunIn(dir, "--version").out, "vexlane-stats 1.9\n");
  o = RunIn(dir, "-v");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err.rfind("vexlane-stats: unknown option '-v'\nUsage: ", 0), 0u);
}

}  // namespace
}  // namespace vexlane

// --explain on a log that exercises every rule, and the summary line.
#include <gtest/gtest.h>

#include "app/process.h"

namespace vexlane {
namespace {

using testing::Outcome;
using testing::ReadFile;
using testing::RunIn;
using testing::TempDir;
using testing::WriteFile;

const std::string kExplain = VEXLANE_EXPLAIN_DIR;

TEST(Explain, EveryRuleGivesItsLineAndTheReportIsUnchanged) {
  TempDir dir;
  WriteFile(dir.File("rules.log"), ReadFile(kExplain + "/rules.log"));
  Outcome explained = RunIn(dir, "--explain=trace.txt -o - rules.log");
  EXPECT_EQ(explained.status, 0);
  EXPECT_EQ(ReadFile(dir.File("trace.txt")),
            ReadFile(kExplain + "/rules.expected"));
  Outcome plain = RunIn(dir, "-q -o - rules.log");
  EXPECT_EQ(explained.out, plain.out);
  // Without a file it goes to standard error, before the summary.
  Outcome to_stderr = RunIn(dir, "--explain -o - rules.log");
  EXPECT_EQ(to_stderr.err,
            ReadFile(kExplain + "/rules.expected") +
                "vexlane-stats: 2 battles, 5 players, 19 lines read; report "
                "written to standard output\n");
}

TEST(Explain, SummaryNamesTheFullPath) {
  TempDir dir;
  WriteFile(dir.File("rules.log"), ReadFile(kExplain + "/rules.log"));
  Outcome o = RunIn(dir, "-i rules.log");
  EXPECT_EQ(o.out, "Battle01.txt\n");
  EXPECT_EQ(o.err,
            "vexlane-stats: 2 battles, 5 players, 19 lines read; "
            "report written to " +
                std::filesystem::canonical(dir.path()).string() +
                "/Battle01.txt\n");
  o = RunIn(dir, "--explain=/nonexistent/dir/trace rules.log");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err,
            "vexlane-stats: cannot write the explanation to "
            "'/nonexistent/dir/trace': '/nonexistent/dir' does not exist\n");
}

}  // namespace
}  // namespace vexlane

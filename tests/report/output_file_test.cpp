#include "report/output_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <sstream>

#include "test_util.h"

namespace vexlane {
namespace {

using testing::Exists;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

const std::string kPause = "Press any key to continue . . . \n";
const std::string kFailure = "Output file couldn't be made. \n";

struct Written {
  bool ok = false;
  std::string output;
};

Written Write(const TempDir& dir, bool html, const std::string& results = "R") {
  std::istringstream in;
  std::ostringstream out;
  Console console{in, out, false};
  Written w;
  w.ok = WriteReportFile("H", results, "T", html, console, dir.path());
  w.output = out.str();
  return w;
}

TEST(ReportFileName, TwoDigitsAndExtension) {
  EXPECT_EQ(ReportFileName(1, false), "Battle01.txt");
  EXPECT_EQ(ReportFileName(17, true), "Battle17.html");
  EXPECT_EQ(ReportFileName(99, false), "Battle99.txt");
}

TEST(WriteReportFile, FirstFreeNumberAndNothingElse) {
  TempDir dir;
  WriteFile(dir.File("Battle01.txt"), "old1");
  WriteFile(dir.File("Battle02.txt"), "old2");
  Written w = Write(dir, false);
  EXPECT_TRUE(w.ok);
  EXPECT_EQ(w.output,
            "Output file Battle03.txt was made successfully. \n" + kPause);
  EXPECT_EQ(ReadFile(dir.File("Battle03.txt")), "HRT");
  EXPECT_EQ(ReadFile(dir.File("Battle01.txt")), "old1");

  // Text and HTML reports are numbered independently.
  EXPECT_TRUE(Write(dir, true).ok);
  EXPECT_EQ(ReadFile(dir.File("Battle01.html")), "HRT");
}

TEST(WriteReportFile, FillsAGap) {
  TempDir dir;
  WriteFile(dir.File("Battle01.txt"), "");
  WriteFile(dir.File("Battle03.txt"), "");
  EXPECT_TRUE(Write(dir, false).ok);
  EXPECT_TRUE(Exists(dir.File("Battle02.txt")));
}

TEST(WriteReportFile, AllNumbersTaken) {
  TempDir dir;
  for (int n = 1; n <= 99; ++n)
    WriteFile(dir.File(ReportFileName(n, false)), "x");
  Written w = Write(dir, false);
  EXPECT_FALSE(w.ok);
  EXPECT_EQ(w.output, kFailure + kPause);
  EXPECT_FALSE(Exists(dir.File("Battle100.txt")));
}

// A name that the read test cannot open is never replaced: here a dangling
// link, which would otherwise create a file wherever it points.
TEST(WriteReportFile, NeverFollowsOrReplacesAnExistingName) {
  TempDir dir;
  std::filesystem::create_symlink(dir.File("elsewhere.txt"),
                                  dir.File("Battle01.txt"));
  Written w = Write(dir, false);
  EXPECT_FALSE(w.ok);
  EXPECT_EQ(w.output, kFailure + kPause);
  EXPECT_FALSE(Exists(dir.File("elsewhere.txt")));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("Battle01.txt")));
}

TEST(WriteReportFile, UnreadableReportIsKept) {
  if (geteuid() == 0) GTEST_SKIP() << "root can read any file";
  TempDir dir;
  WriteFile(dir.File("Battle01.txt"), "keep");
  std::filesystem::permissions(dir.File("Battle01.txt"),
                               std::filesystem::perms::none);
  EXPECT_FALSE(Write(dir, false).ok);
  std::filesystem::permissions(dir.File("Battle01.txt"),
                               std::filesystem::perms::owner_read);
  EXPECT_EQ(ReadFile(dir.File("Battle01.txt")), "keep");
}

TEST(WriteReportFile, UnwritableDirectory) {
  TempDir missing_parent;
  std::istringstream in;
  std::ostringstream out;
  Console console{in, out, false};
  EXPECT_FALSE(WriteReportFile("H", "R", "T", false, console,
                               missing_parent.File("no/such/dir")));
  EXPECT_EQ(out.str(), kFailure + kPause);
}

// A write that fails half way (here a file size limit) is reported as a
// failure and leaves no partial report.
TEST(WriteReportFile, FailedWriteLeavesNoFile) {
  TempDir dir;
  const std::string log = dir.File("console.txt");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::istringstream in;
    std::ostringstream out;
    Console console{in, out, false};
    const bool ok = WriteReportFile("H", std::string(1 << 20, 'x'), "T", false,
                                    console, dir.path());
    limit = {RLIM_INFINITY, RLIM_INFINITY};
    setrlimit(RLIMIT_FSIZE, &limit);
    WriteFile(log, out.str());
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(ReadFile(log), kFailure + kPause);
  EXPECT_FALSE(Exists(dir.File("Battle01.txt")));
}

}  // namespace
}  // namespace vexlane

#include "publish/output_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "test_util.h"

// The bad-input suite runs the other outcomes through the real program: a
// dangling link, a removed working directory and a file size limit.
namespace vexlane {
namespace {

using testing::Exists;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

WriteOutcome Write(const TempDir& dir, bool html,
                   const std::string& results = "R") {
  return WriteNumberedReport({"H", results, "T"}, html ? ".html" : ".txt",
                             dir.path());
}

// The first free number, a gap included; text and HTML reports are
// numbered independently.
TEST(WriteReportFile, FirstFreeNumberAndNothingElse) {
  TempDir dir;
  WriteFile(dir.File("Battle01.txt"), "old1");
  WriteFile(dir.File("Battle03.txt"), "old3");
  WriteOutcome w = Write(dir, false);
  EXPECT_TRUE(w.ok);
  EXPECT_EQ(w.name, "Battle02.txt");
  EXPECT_EQ(w.path, dir.path() + "/Battle02.txt");
  EXPECT_EQ(ReadFile(dir.File("Battle02.txt")), "HRT");
  EXPECT_EQ(ReadFile(dir.File("Battle01.txt")), "old1");
  EXPECT_EQ(ReadFile(dir.File("Battle03.txt")), "old3");

  EXPECT_TRUE(Write(dir, true).ok);
  EXPECT_EQ(ReadFile(dir.File("Battle01.html")), "HRT");
}

TEST(WriteReportFile, NinetyNineIsTheLastName) {
  TempDir dir;
  for (int n = 1; n <= 98; ++n)
    WriteFile(dir.File(ReportFileName(n, ".txt")), "");
  const WriteOutcome last = Write(dir, false);
  EXPECT_TRUE(last.ok);
  EXPECT_EQ(last.name, "Battle99.txt");
  EXPECT_EQ(ReadFile(dir.File("Battle99.txt")), "HRT");

  // With all 99 taken nothing is written, not even a Battle100.
  const WriteOutcome none = Write(dir, false);
  EXPECT_FALSE(none.ok);
  EXPECT_FALSE(Exists(dir.File("Battle100.txt")));
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

}  // namespace
}  // namespace vexlane

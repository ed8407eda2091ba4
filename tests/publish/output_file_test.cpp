#include "publish/output_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "publish/watched_file_system.h"
#include "test_util.h"

// The bad-input suite runs the other outcomes through the real program: a
// dangling link, a removed working directory and a file size limit.
namespace vexlane {
namespace {

using testing::Exists;
using testing::ReadFile;
using testing::TempDir;
using testing::WatchedFileSystem;
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

// The names in `dir`.
std::set<std::string> Names(const TempDir& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// Another run takes the chosen name while the report is written: a
// command-line run takes the next, the dialog's rule makes none; either
// way the other's file stays. A name held by a file that cannot be read
// (as root sees none, so here through the file system) is never replaced.
TEST(WriteReportFile, NameTakenMeanwhileIsNeverReplaced) {
  for (const TakenName taken : {TakenName::kTakeNext, TakenName::kFail}) {
    TempDir dir;
    WatchedFileSystem fs;
    fs.before = [&](const std::string& call, const std::string&) {
      if (call == "Rename" && !Exists(dir.File("Battle01.txt"))) {
        WriteFile(dir.File("Battle01.txt"), "theirs");
      }
      return 0;
    };
    const WriteOutcome w =
        WriteNumberedReport({"H", "R", "T"}, ".txt", dir.path(), taken, fs);
    EXPECT_EQ(ReadFile(dir.File("Battle01.txt")), "theirs");
    if (taken == TakenName::kTakeNext) {
      EXPECT_TRUE(w.ok) << w.error;
      EXPECT_EQ(w.name, "Battle02.txt");
      EXPECT_EQ(ReadFile(dir.File("Battle02.txt")), "HRT");
    } else {
      EXPECT_FALSE(w.ok);
      EXPECT_EQ(w.error, std::strerror(EEXIST));
      EXPECT_EQ(Names(dir), std::set<std::string>{"Battle01.txt"});
    }
  }
  TempDir dir;
  WriteFile(dir.File("Battle01.txt"), "keep");
  WatchedFileSystem unreadable;
  unreadable.before = [](const std::string& call, const std::string&) {
    return call == "Readable" ? EACCES : 0;
  };
  EXPECT_FALSE(WriteNumberedReport({"H"}, ".txt", dir.path(), TakenName::kFail,
                                   unreadable)
                   .ok);
  EXPECT_EQ(ReadFile(dir.File("Battle01.txt")), "keep");
}

// A report that cannot be put on the disk or named is not made: nothing
// under its name, no temporary file, and the cause said.
TEST(WriteReportFile, FailedSyncOrRenameLeavesNothing) {
  for (const char* failing : {"SyncFile", "Rename"}) {
    SCOPED_TRACE(failing);
    TempDir dir;
    WatchedFileSystem fs;
    fs.before = [&](const std::string& call, const std::string&) {
      return call == failing ? EIO : 0;
    };
    const WriteOutcome numbered = WriteNumberedReport(
        {"H", "R"}, ".txt", dir.path(), TakenName::kTakeNext, fs);
    EXPECT_FALSE(numbered.ok);
    EXPECT_EQ(numbered.error, std::strerror(EIO));
    const WriteOutcome named = WriteNewReport({"H"}, dir.File("r.txt"), fs);
    EXPECT_FALSE(named.ok);
    WriteFile(dir.File("old.txt"), "old");
    EXPECT_FALSE(ReplaceReport({"new"}, dir.File("old.txt"), fs).ok);
    EXPECT_EQ(ReadFile(dir.File("old.txt")), "old");
    EXPECT_EQ(Names(dir), std::set<std::string>{"old.txt"});
  }
}

}  // namespace
}  // namespace vexlane

// Unattended runs of the built program as a process, as cron runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/process.h"

namespace vexlane {
namespace {

using testing::Exists;
using testing::Outcome;
using testing::ReadFile;
using testing::RunIn;
using testing::TempDir;
using testing::WriteFile;

const std::string kGolden = std::string(VEXLANE_GOLDEN_DIR) + "/golden.log";

// The report that the dialog writes with `answers` after the extra points
// and the log questions.
std::string DialogReport(const std::string& answers, const std::string& name) {
  TempDir dir;
  RunIn(dir, "", "\n" + kGolden + "\n" + answers);
  return ReadFile(dir.File(name));
}

TEST(Unattended, ReportsEqualTheDialogsByteForByte) {
  struct Format {
    std::string option, answers, name;
  };
  const Format kFormats[] = {{"text", "1\n1\n", "Battle01.txt"},
                             {"stats", "1\n2\n", "Battle01.txt"},
                             {"html", "2\n", "Battle01.html"}};
  for (const Format& f : kFormats) {
    TempDir dir;
    Outcome o = RunIn(dir, "-f " + f.option + " -i '" + kGolden + "'");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, f.name + "\n");
    EXPECT_NE(o.err.find(" lines read; report written to "), std::string::npos);
    const std::string automatic = ReadFile(dir.File(f.name));
    EXPECT_EQ(automatic, DialogReport(f.answers + "\n\n", f.name)) << f.option;

    // Level by level, the times as found (an empty review answer each), a
    // level asked twice taking its first battle twice.
    o = RunIn(dir, "-p 3 -f " + f.option + " -i '" + kGolden +
                       "' -l Pipe -l Hill -l pipe -o levels");
    EXPECT_EQ(o.status, 0) << o.err;
    TempDir dialog;
    RunIn(dialog, "",
          "3\n" + kGolden + "\n" + f.answers + "Pipe\n\nHill\n\npipe\n\n\n\n");
    EXPECT_EQ(ReadFile(dir.File("levels")), ReadFile(dialog.File(f.name)))
        << f.option;
  }
}

TEST(Unattended, QuietNoBattleAndLevelsNotFound) {
  TempDir dir;
  WriteFile(dir.File("#battle.log"), ReadFile(kGolden));
  Outcome o = RunIn(dir, "-q");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out + o.err, "");
  EXPECT_TRUE(Exists(dir.File("Battle01.txt")));

  WriteFile(dir.File("quiet.log"), "[20:00:00] <Ann> hello\n");
  o = RunIn(dir, "-i quiet.log");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err,
            "vexlane-stats: no battle was found in quiet.log (1 line read); "
            "no report was written\n");
  EXPECT_EQ(RunIn(dir, "-q -i quiet.log").err, "");
  // A log of another format is a reason, said even with -q.
  WriteFile(dir.File("wee.log"),
            "2024-11-12 19:54:30\tAnn\thttp://x/Pipe.lev\n"
            "2024-11-12 19:55:00\tBob\t1:00,00\n"
            "2024-11-12 19:56:00\tAnn\tstop\n");
  EXPECT_NE(
      RunIn(dir, "-q -i wee.log")
          .err.find(
              "the log looks like a weechat log: try --log-format weechat"),
      std::string::npos);

  // Shell characters and blanks reach the program as they are.
  o = RunIn(dir, "-l 'No where;$(x)' -l Hill -o -");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err.substr(0, o.err.find('\n') + 1),
            "vexlane-stats: level No where;$(x) was not found in "
            "#battle.log\n");
  EXPECT_NE(o.out.find("Event 1: Hill by Bob"), std::string::npos);
}

TEST(Unattended, OutputsAreNeverReplacedUnlessForced) {
  TempDir dir;
  WriteFile(dir.File("keep.txt"), "keep");
  Outcome o = RunIn(dir, "-i '" + kGolden + "' -o keep.txt");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err,
            "vexlane-stats: cannot write the report to 'keep.txt': the file "
            "exists and is not replaced (--force replaces it)\n");
  EXPECT_EQ(ReadFile(dir.File("keep.txt")), "keep");

  // The log may come on standard input.
  o = RunIn(dir, "-i - -o keep.txt --force", ReadFile(kGolden));
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "keep.txt\n");
  EXPECT_EQ(ReadFile(dir.File("keep.txt")),
            DialogReport("1\n1\n\n\n", "Battle01.txt"));
  // --force never replaces what is not a regular file.
  o = RunIn(dir, "-i '" + kGolden + "' -o /dev/null --force");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err,
            "vexlane-stats: cannot write the report to '/dev/null': not a "
            "regular file, so it is not replaced\n");

  std::filesystem::create_directory(dir.File("reports"));
  o = RunIn(dir, "-f html -d reports -i '" + kGolden + "'");
  EXPECT_EQ(o.out, "reports/Battle01.html\n");
  o = RunIn(dir, "-f html -d reports -i '" + kGolden + "'");
  EXPECT_EQ(o.out, "reports/Battle02.html\n");
}

TEST(Unattended, FailuresNameTheFileAndCause) {
  TempDir dir;
  WriteFile(dir.File("a file"), "");
  std::filesystem::create_directory(dir.File("logdir"));
  const std::string log = " -i '" + kGolden + "'";
  const std::pair<std::string, std::string> kCases[] = {
      {"-i logdir", "cannot read the log 'logdir': Is a directory"},
      {"-i missing.log",
       "cannot read the log 'missing.log': No such file or directory"},
      {log + " -o nowhere/r.txt",
       "cannot write the report to 'nowhere/r.txt': 'nowhere' does not "
       "exist"},
      {log + " -d 'a file'",
       "cannot use the directory 'a file': Not a directory"},
      {log + " -d nowhere",
       "cannot use the directory 'nowhere': No such file or directory"},
  };
  for (const auto& [arguments, sentence] : kCases) {
    Outcome o = RunIn(dir, arguments);
    EXPECT_EQ(o.status, 1) << arguments;
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "vexlane-stats: " + sentence + "\n");
  }
  Outcome o = RunIn(dir, log + " -o -", "", "> /dev/full");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err,
            "vexlane-stats: cannot write the report to standard output: No "
            "space left on device\n");
  o = RunIn(dir, log + " -o -", "", ">&-");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err,
            "vexlane-stats: cannot write the report to standard output: it "
            "is closed\n");
  if (geteuid() != 0) {
    WriteFile(dir.File("secret.log"), "x");
    std::filesystem::permissions(dir.File("secret.log"),
                                 std::filesystem::perms::none);
    EXPECT_EQ(RunIn(dir, "-i secret.log").err,
              "vexlane-stats: cannot read the log 'secret.log': Permission "
              "denied\n");
  }
  // Nothing was left behind by any of them.
  EXPECT_FALSE(Exists(dir.File("Battle01.txt")));
}

// JSON and CSV go to their file while the log is read, a few hundred
// kilobytes at a time: the file is the same as the one written whole to
// standard output, and a write that fails on the way is told, leaving
// nothing behind.
TEST(Unattended, ExportsWrittenDuringTheScan) {
  TempDir dir;
  std::string log;
  for (int b = 0; b < 400; ++b) {
    log += "[20:00:00] <Ann> http://lev.example/Level" +
           std::to_string(b % 37) + ".lev\n";
    for (int p = 0; p < 20; ++p) {
      log += "[20:01:00] <Player" + std::to_string((p * 7 + b) % 60) + "> " +
             std::to_string(1 + (p * 13 + b * 7) % 5) + ":" +
             std::to_string(10 + (p * 17 + b) % 50) + ",00\n";
    }
    log += "[20:05:00] <Ann> stop\n";
  }
  WriteFile(dir.File("season.log"), log);
  for (const std::string format : {"json", "csv"}) {
    const std::string whole =
        RunIn(dir, "-q -o - -f " + format + " -i season.log").out;
    ASSERT_GT(whole.size(), std::size_t{300} << 10) << format;  // pieces
    Outcome o =
        RunIn(dir, "-q -o r." + format + " -f " + format + " -i season.log");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(ReadFile(dir.File("r." + format)), whole) << format;
    o = RunIn(dir, "-f " + format + " -i season.log");
    EXPECT_EQ(o.out, "Battle01." + format + "\n") << o.err;
    EXPECT_EQ(ReadFile(dir.File("Battle01." + format)), whole) << format;
  }

  // Files of at most 64 blocks, a signal for a larger one ignored: the
  // JSON's writes fail part way through the scan.
  const std::string command =
      "cd '" + dir.path() + "' && ulimit -f 64 && trap '' XFSZ && '" +
      VEXLANE_BINARY + "' -q -f json -i season.log -o big.json 2> err";
  const int raw = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1);
  EXPECT_EQ(ReadFile(dir.File("err")),
            "vexlane-stats: cannot write the report to 'big.json': File too "
            "large\n");
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    files += entry.path().filename().string().rfind(".vexlane", 0) == 0;
  }
  EXPECT_EQ(files, 0u);
  EXPECT_FALSE(Exists(dir.File("big.json")));

  // No battle: nothing is made, and nothing is left.
  WriteFile(dir.File("quiet.log"), "[20:00:00] <Ann> hello\n");
  Outcome o = RunIn(dir, "-q -f json -o none.json -i quiet.log");
  EXPECT_EQ(o.status, 0);
  EXPECT_FALSE(Exists(dir.File("none.json")));
}

}  // namespace
}  // namespace vexlane

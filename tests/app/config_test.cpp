// Runs with a settings file (--config), as cron runs them.
#include <gtest/gtest.h>

#include "app/process.h"

namespace vexlane {
namespace {

using testing::Outcome;
using testing::ReadFile;
using testing::RunIn;
using testing::TempDir;
using testing::WriteFile;

const std::string kGolden = std::string(VEXLANE_GOLDEN_DIR) + "/golden.log";

// A repair in the settings writes the report that the dialog writes when
// the user makes the same changes in its time review.
TEST(Config, RepairsEqualTheDialogsReview) {
  TempDir dir;
  // The options too come from the file.
  WriteFile(dir.File("s.toml"),
            "log = \"" + kGolden +
                "\"\nlevel = [\"Pipe\", \"Hill\"]\nextra-points = 3\n"
                "output = \"levels.txt\"\nquiet = true\n"
                "[[battle]]\nlevel = \"pipe\"\nstart = \"20:00:00\"\n"
                "drop = [\"Cal\"]\nadd = [\"Fox 1:01,99\"]\n");
  Outcome o = RunIn(dir, "-c s.toml");
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 0) << o.err;
  TempDir dialog;
  // Pipe: drop entry 2 (Cal), add Fox; Hill as found.
  RunIn(dialog, "",
        "3\n" + kGolden + "\n1\n1\nPipe\n2\nadd\nFox\n1:01,99\n\nHill\n\n\n\n");
  const std::string expected = ReadFile(dialog.File("Battle01.txt"));
  ASSERT_NE(expected.find("Fox"), std::string::npos);
  EXPECT_EQ(ReadFile(dir.File("levels.txt")), expected);
}

// Aliases make one player of several nicks (the last post counts), ignored
// nicks post no times, a skipped battle leaves no gap in the numbering, and
// the explanation names each change with its line.
TEST(Config, AliasesIgnoreSkipAndExplain) {
  TempDir dir;
  WriteFile(dir.File("log"),
            "[20:00:00] <Ann> http://x/Pipe.lev\n"
            "[20:01:00] <bob_> 1:00,00\n"
            "[20:01:30] <Guest7> 0:50,00\n"
            "[20:02:00] <Bob|away> 1:05,00\n"
            "[20:03:00] <Ann> stop\n"
            "[20:10:00] <Cal> http://x/Cave.lev\n"
            "[20:11:00] <Cal> 1:00,00\n"
            "[20:12:00] <Cal> stop\n"
            "[20:20:00] <Dee> http://x/Hill.lev\n"
            "[20:21:00] <Dee> 2:00,00\n"
            "[20:22:00] <Dee> stop\n");
  WriteFile(dir.File("s.toml"),
            "ignore = [\"Guest*\"]\n"
            "[players]\n"
            "Bob = [\"bob_\", \"Bob|away\"]\n"
            "[[battle]]\n"
            "level = \"Cave\"\n"
            "start = \"20:10:00\"\n"
            "skip = true\n");
  Outcome o = RunIn(dir, "-c s.toml -i log -o - --explain");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find(" Pipe                      1        1          Bob  "
                       "             1:05,00"),
            std::string::npos)
      << o.out;
  EXPECT_NE(o.out.find("Event 2: Hill by Dee"), std::string::npos);
  EXPECT_EQ(o.out.find("Cave"), std::string::npos);
  for (const char* line :
       {"s.toml line 1: Guest7's posts in the battle of Pipe at 20:00:00 are "
        "no times (ignore)\n",
        "s.toml line 3: bob's times in the battle of Pipe at 20:00:00 count "
        "for Bob\n",
        "s.toml line 4: the battle of Cave at 20:10:00 is left out (skip)\n",
        "log line 8: the battle of Cave is left out\n",
        "log line 11: the battle of Hill is added as event 2 with 1 time\n"}) {
    EXPECT_NE(o.err.find(line), std::string::npos) << line << o.err;
  }
  // The file's force holds for an output named on the command line.
  WriteFile(dir.File("f.toml"), "log = \"log\"\nforce = true\n");
  WriteFile(dir.File("old.txt"), "old");
  o = RunIn(dir, "-c f.toml -o old.txt");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(ReadFile(dir.File("old.txt")), "old");
  // The command line wins over the file: here a level list.
  o = RunIn(dir, "-c s.toml -i log -o - -l Hill");
  EXPECT_NE(o.out.find("Event 1: Hill by Dee"), std::string::npos);
}

TEST(Config, SeasonsNeedDates) {
  TempDir dir;
  const std::string log =
      "--- Log opened Sat Aug 31 20:00:00 2024\n"
      "20:00 < Ann> http://x/Old.lev\n20:01 < Bob> 1:00,00\n20:02 < Ann> stop\n"
      "--- Day changed Sun Sep 01 2024\n"
      "20:00 < Ann> http://x/New.lev\n20:01 < Bob> 1:00,00\n20:02 < Ann> "
      "stop\n";
  WriteFile(dir.File("irssi.log"), log);
  Outcome o =
      RunIn(dir, "--since 2024-09-01 --log-format irssi -i irssi.log -o -");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out.find("Old"), std::string::npos);
  EXPECT_NE(o.out.find("Event 1: New"), std::string::npos);
  o = RunIn(dir, "--until 2024-08-31 -i irssi.log -o out.txt");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err,
            "vexlane-stats: a season (since, until) needs dated battles, and "
            "the battle of Old has no date: a classic log gives none "
            "(--log-format names the client's format); no report was "
            "written\n");
  EXPECT_FALSE(testing::Exists(dir.File("out.txt")));
  // A season that ends before it starts is a mistake, said with its lines.
  WriteFile(dir.File("s.toml"), "since = 2024-09-02\nuntil = 2024-09-01\n");
  o = RunIn(dir, "-c s.toml -i irssi.log -o -");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err,
            "vexlane-stats: s.toml: 'since' 2024-09-02 (line 1) is after "
            "'until' 2024-09-01 (line 2): no battle can be in that season\n");
  // A run that reports nothing because of the settings says why, even
  // with -q: the season misses the log, or every nick is ignored.
  o = RunIn(dir, "-q --since 2025-01-01 --log-format irssi -i irssi.log -o -");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err,
            "vexlane-stats: the season from 2025-01-01 leaves out all 2 "
            "battles (the log spans 2024-08-31 to 2024-09-01); no report was "
            "written\n");
  WriteFile(dir.File("all.toml"), "ignore = [\"*\"]\n");
  o = RunIn(dir, "-q -c all.toml --log-format irssi -i irssi.log -o -");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err,
            "vexlane-stats: every nick with a time in the 2 battles found is "
            "ignored by 'ignore'; no report was written\n");
  // A stamp without a date that matches battles of two days is a mistake
  // (which was meant cannot be told); on one day it is fine.
  std::string both = log;
  both.replace(both.find("New.lev"), 3, "Old");
  WriteFile(dir.File("both.log"), both);
  WriteFile(dir.File("r.toml"),
            "[[battle]]\nlevel = \"Old\"\nstart = \"20:00:00\"\nskip = true\n");
  o = RunIn(dir, "-c r.toml --log-format irssi -i both.log -o -");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err,
            "r.toml:1: the repair of Old at 20:00:00 "
            "matches battles on 2024-08-31 and 2024-09-01: give its date too "
            "(\"2024-08-31 20:00:00\"); no report was written\n");
  o = RunIn(dir, "-c r.toml --log-format irssi -i irssi.log -o -");
  EXPECT_EQ(o.status, 0) << o.err;
  o = RunIn(dir, "--since 2024-09-02 --until 2024-09-01 -i irssi.log -o -");
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("--since 2024-09-02 is after --until 2024-09-01"),
            std::string::npos);
}

// Wrong settings stop the run before anything is read (status 2); a repair
// that matches no battle is a warning, or with --strict a failure.
TEST(Config, BadSettingsAndRepairsThatMatchNothing) {
  TempDir dir;
  WriteFile(dir.File("log"), ReadFile(kGolden));
  WriteFile(dir.File("bad.toml"), "log = \"log\"\nformat = \"pdf\"\n");
  Outcome o = RunIn(dir, "-c bad.toml -o r.txt");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err,
            "bad.toml:2:10: unknown format 'pdf' (text, stats, "
            "html, json, csv, web or site)\n");
  EXPECT_EQ(RunIn(dir, "-c missing.toml").err,
            "vexlane-stats: 'missing.toml': No such file or directory\n");
  WriteFile(
      dir.File("stale.toml"),
      "log = \"log\"\n[[battle]]\nlevel = \"Gone\"\nstart = \"01:00:00\"\n"
      "drop = [\"Bob\"]\n");
  o = RunIn(dir, "-c stale.toml -o r.txt");
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.err.find("stale.toml:2: warning: the repair "
                       "of Gone at 01:00:00 matches no battle\n"),
            std::string::npos)
      << o.err;
  o = RunIn(dir, "-c stale.toml --strict -o r2.txt");
  EXPECT_EQ(o.status, 1);
  EXPECT_FALSE(testing::Exists(dir.File("r2.txt")));
  // A start with a date on a log that gives none says why it matched none.
  WriteFile(dir.File("dated.toml"),
            "log = \"log\"\n[[battle]]\nlevel = \"Pipe\"\n"
            "start = \"2024-11-12 20:00:00\"\nskip = true\n");
  o = RunIn(dir, "-c dated.toml -o r4.txt");
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.err.find("matches no battle (the log gives its battles no "
                       "dates: write the start without its date"),
            std::string::npos)
      << o.err;
  // A drop matches nicks as the players and ignore do, ASCII case aside; a
  // drop of a nick with no time in its battle is said (and with --strict
  // fails the run).
  WriteFile(dir.File("drop.toml"),
            "log = \"log\"\n[[battle]]\nlevel = \"Pipe\"\n"
            "start = \"20:00:00\"\ndrop = [\"BOB\", \"Zed\"]\n");
  o = RunIn(dir, "-c drop.toml -o -");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out.find("Bob               0:58"), std::string::npos);
  EXPECT_NE(o.err.find("drop.toml:2: warning: Zed has no "
                       "time in the battle of Pipe at 20:00:00 to drop\n"),
            std::string::npos)
      << o.err;
  EXPECT_EQ(o.err.find("BOB has no time"), std::string::npos) << o.err;
  EXPECT_EQ(RunIn(dir, "-c drop.toml --strict -o r3.txt").status, 1);
  EXPECT_FALSE(testing::Exists(dir.File("r3.txt")));
}

// Mistakes that an attack on the settings found: log names without -i,
// the settings file or one file for two outputs as a target, a repair of a
// nick as the log shows it, a skipped battle in level-by-level mode.
TEST(Config, LogNamesTargetsDropsAndSkippedLevels) {
  TempDir dir;
  WriteFile(dir.File("a.log"), ReadFile(kGolden));
  WriteFile(dir.File("other.log"), "");
  WriteFile(dir.File("s.toml"), "log = [\"other.log\"]\nformat = \"csv\"\n");
  Outcome o = RunIn(dir, "-c s.toml -o - a.log");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("Pipe"), std::string::npos);
  const std::string settings = ReadFile(dir.File("s.toml"));
  o = RunIn(dir, "-c s.toml -i a.log -o s.toml --force");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err,
            "vexlane-stats: cannot write the report to 's.toml': it is the "
            "settings file 's.toml', which is never replaced\n");
  EXPECT_EQ(ReadFile(dir.File("s.toml")), settings);
  o = RunIn(dir, "-i a.log -o both.txt --explain=both.txt");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err,
            "vexlane-stats: cannot write the explanation to 'both.txt': it "
            "is the report's file\n");

  WriteFile(
      dir.File("r.toml"),
      "[[battle]]\nlevel = \"Pipe\"\nstart = \"20:00:00\"\n"
      "drop = [\"Bob_\"]\n"
      "[[battle]]\nlevel = \"Hill\"\nstart = \"20:11:00\"\nskip = true\n");
  std::string later = ReadFile(kGolden);  // the same battles an hour later
  for (std::size_t at = later.find("[20:"); at != std::string::npos;
       at = later.find("[20:", at)) {
    later.replace(at, 4, "[21:");
  }
  WriteFile(dir.File("twice.log"), ReadFile(kGolden) + later);
  o = RunIn(dir, "-c r.toml -i twice.log -o - -l Pipe -l Hill");
  // Bob's posts go; the first Hill is left out and the second one taken.
  EXPECT_EQ(o.out.find("Bob               0:58"), std::string::npos);
  EXPECT_NE(o.out.find("Event 2: Hill by Bob"), std::string::npos) << o.out;
  WriteFile(dir.File("bad.toml"),
            "[[battle]]\nlevel = \"Pipe\"\nstart = \"19:54\"\nskip = true\n");
  o = RunIn(dir, "-c bad.toml -i a.log");
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("bad.toml:3:9: the start '19:54' must be a stamp"),
            std::string::npos)
      << o.err;
}

// The example settings that ship with the program run on the sample log
// as they stand: a report, every repair matched, no warning.
TEST(Config, TheExampleRunsOnTheSample) {
  TempDir dir;
  const std::string examples = VEXLANE_EXAMPLES_DIR;
  WriteFile(dir.File("#battle.log"), ReadFile(examples + "/#battle.log"));
  WriteFile(dir.File("s.toml"), ReadFile(examples + "/vexlane-stats.toml"));
  const Outcome o = RunIn(dir, "-c s.toml");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err.find("warning"), std::string::npos) << o.err;
  EXPECT_NE(ReadFile(dir.File("battle.html")).find("Fox"), std::string::npos);
}

}  // namespace
}  // namespace vexlane

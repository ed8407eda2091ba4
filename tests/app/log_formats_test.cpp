// Client log formats, gzip and several logs, through the built program.
#include <gtest/gtest.h>

#include "app/process.h"
#include "log/log_format.h"

namespace vexlane {
namespace {

using testing::Outcome;
using testing::ReadFile;
using testing::RunIn;
using testing::TempDir;
using testing::WriteFile;

const std::string kFormats = VEXLANE_FORMATS_DIR;

std::string Path(const std::string& file) {
  return "'" + kFormats + "/" + file + "'";
}

// The combo text report of the fixture battle, written in classic lines.
std::string ClassicReport() {
  TempDir dir;
  return RunIn(dir, "-o - -i " + Path("classic.log")).out;
}

TEST(LogFormats, EachFormatGivesTheClassicReport) {
  struct Case {
    std::string file, format;
    bool minutes_only;  // the stamps have no seconds
  };
  const Case kCases[] = {
      {"irssi.log", "irssi", true},
      {"weechat.log", "weechat", false},
      {"znc/2024-11-12.log", "znc", false},
      {"mirc.log", "mirc", true},
      {"hexchat.log", "hexchat", false},
      {"limnoria.log", "limnoria", false},
      {"eggdrop/battle.2024-11-12.log", "eggdrop", true},
  };
  const std::string classic = ClassicReport();
  ASSERT_NE(classic.find("Event 1: Pipe12 by Ann at 20:00:05 (8 mins)"),
            std::string::npos);
  for (const Case& c : kCases) {
    std::string expected = classic;
    if (c.minutes_only) {
      expected.replace(expected.find("20:00:05"), 8, "20:00:00");
    }
    TempDir dir;
    Outcome o =
        RunIn(dir, "-o - --log-format " + c.format + " -i " + Path(c.file));
    EXPECT_EQ(o.status, 0) << c.format;
    EXPECT_EQ(o.out, expected) << c.format;
    o = RunIn(dir, "-o - --log-format=auto -i " + Path(c.file));
    EXPECT_EQ(o.out, expected) << c.format;
    EXPECT_EQ(o.err.substr(0, o.err.find('\n') + 1),
              "vexlane-stats: reading " + kFormats + "/" + c.file + " as " +
                  LogFormatWithArticle(c.format) + "\n");
  }
  TempDir dir;
  EXPECT_EQ(
      RunIn(dir, "-q -o - --log-format auto -i " + Path("classic.log")).out,
      classic);
}

// One chat across midnight, as each client logs it with its own headers,
// session and day lines (which are no channel lines: an irssi "Day
// changed" between an announcement and its link must not push the link out
// of the announcement's ten lines): the same battles, starters, times and
// standings from every format, and the same dates from every dated one.
TEST(LogFormats, TheSameChatGivesTheSameBattlesInEveryFormat) {
  const std::string chat = kFormats + "/same_chat/";
  const std::pair<std::string, std::string> kLogs[] = {
      {"irssi", "irssi.log"},
      {"weechat", "weechat.log"},
      {"znc", "znc/2024-11-12.log' -i '" + chat + "znc/2024-11-13.log"},
      {"mirc", "mirc.log"},
      {"hexchat", "hexchat.log"},
      {"limnoria", "limnoria.log"},
      {"eggdrop", "battle.2024-11-12.log"},
  };
  TempDir dir;
  const std::string classic =
      RunIn(dir, "-o - -i '" + chat + "classic.log'").out;
  ASSERT_NE(classic.find("Event 1: Pipe12 by Ann at 00:00:00 (6 mins)"),
            std::string::npos);
  for (const auto& [format, files] : kLogs) {
    const std::string args =
        "-o - --log-format " + format + " -i '" + chat + files + "'";
    EXPECT_EQ(RunIn(dir, args).out, classic) << format;
    // The battles' dates: the records after the standings repeat them.
    const std::string all = RunIn(dir, "-f json " + args).out;
    const std::string json = all.substr(0, all.find("\"standings\""));
    std::size_t dates = 0;
    for (std::size_t at = json.find("\"date\""); at != std::string::npos;
         at = json.find("\"date\"", at + 1)) {
      EXPECT_EQ(json.substr(at, 19), "\"date\":\"2024-11-13\"") << format;
      ++dates;
    }
    EXPECT_EQ(dates, 3u) << format;
  }
}

// Whatever a classic run finds in another format's log, it says which
// option reads it; a log of a kind no reader knows is named as such.
TEST(LogFormats, ClassicRunOfAnotherFormatSaysWhichOptionToUse) {
  TempDir dir;
  Outcome o = RunIn(dir, "-i " + Path("weechat.log"));
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "vexlane-stats: no battle was found in " + kFormats +
                       "/weechat.log (9 lines read); no report was written\n"
                       "vexlane-stats: the log looks like a weechat log: try "
                       "--log-format weechat\n");
  for (const std::string format : {"irssi", "limnoria", "hexchat", "mirc"}) {
    o = RunIn(dir, "-o - -i " + Path(format + ".log"));
    EXPECT_NE(o.err.find("vexlane-stats: the log looks like " +
                         LogFormatWithArticle(format) + ": try --log-format " +
                         format + "\n"),
              std::string::npos)
        << o.err;
  }
  WriteFile(dir.File("proxy.log"),
            "@1100000000 <Ann!a@h> http://x.org/A.lev\n"
            "@1100000060 <Bob!b@h> 1:00,00\n");
  o = RunIn(dir, "-q --log-format auto -i proxy.log");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err,
            "vexlane-stats: cannot read proxy.log: it looks like a dircproxy "
            "log, which this program cannot read (it reads classic, irssi, "
            "weechat, znc, mirc, hexchat, limnoria, eggdrop logs)\n");
}

// Several logs, and several gzip members in one file, read as one log;
// the first part ends without a line end, and no line runs into the next.
TEST(LogFormats, SeveralLogsAndGzipMembersAreReadAsOne) {
  TempDir dir;
  const std::string log = ReadFile(kFormats + "/classic.log");
  const std::size_t half = log.find("[20:02:00]");
  WriteFile(dir.File("a.log"), log.substr(0, half - 1));
  WriteFile(dir.File("b.log"), log.substr(half));
  Outcome o = RunIn(dir, "-o - -i a.log -i b.log");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, ClassicReport());
  // Level by level, every pass reads them all.
  o = RunIn(dir, "-o - -l Nowhere -l Pipe12 -i a.log -i b.log");
  EXPECT_NE(o.out.find("Event 1: Pipe12 by Ann at 20:00:05 (8 mins)"),
            std::string::npos);

  ASSERT_EQ(
      std::system(("cd '" + dir.path() +
                   "' && (cat a.log; echo) | gzip -c > log.gz && gzip -c "
                   "b.log >> log.gz && head -c 100 log.gz > cut.gz && cp a.log "
                   "plain.gz")
                      .c_str()),
      0);
  o = RunIn(dir, "-o - -i log.gz");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, ClassicReport());
  o = RunIn(dir, "-o - -i cut.gz");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err,
            "vexlane-stats: cannot read the log 'cut.gz': the compressed data "
            "ends too early (a truncated file)\n");
  o = RunIn(dir, "-i plain.gz");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err,
            "vexlane-stats: cannot read the log 'plain.gz': not in gzip "
            "format\n");
  EXPECT_FALSE(testing::Exists(dir.File("Battle01.txt")));
}

}  // namespace
}  // namespace vexlane

#include "app/command_line.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vexlane {
namespace {

struct Answer {
  int status = -1;
  std::string out;
  std::string err;
};

Answer Handle(const std::vector<std::string_view>& args) {
  std::ostringstream out;
  std::ostringstream err;
  Answer a;
  a.status = AnswerCommand(ParseCommandLine(args), out, err);
  a.out = out.str();
  a.err = err.str();
  return a;
}

// The usage error as the user sees it.
std::string UsageError(const std::string& sentence) {
  return "vexlane-stats: " + sentence +
         "\nUsage: vexlane-stats [-i LOG]... [--log-format NAME] [-f FORMAT] "
         "[-p N]\n                     [-l LEVEL]... [-o FILE [--force] | -d "
         "DIR] [-q]\n                     [--explain[=FILE]] [-c FILE] "
         "[--since DATE]\n"
         "                     [--until DATE] [--title TEXT] [--home URL]\n"
         "                     [--static DIR] [--strict] [--follow] "
         "[LOG]...\nTry "
         "'vexlane-stats --help'.\n";
}

TEST(CommandLine, VersionAndHelp) {
  EXPECT_EQ(ParseCommandLine({}).kind, CommandKind::kDialog);
  Answer a = Handle({"--version"});
  EXPECT_EQ(a.status, 0);
  EXPECT_EQ(a.out, "vexlane-stats 1.9\n");
  a = Handle({"--help"});
  EXPECT_EQ(a.status, 0);
  EXPECT_EQ(a.err, "");
  for (const char* part :
       {"--log FILE", "--format FORMAT", "--extra-points N", "--level NAME",
        "--output FILE", "--force", "--directory DIR", "--quiet",
        "(default #battle.log)", "(default text)", "(default 1)",
        "SOURCE_DATE_EPOCH", "Exit status", "0 * * * *"}) {
    EXPECT_NE(a.out.find(part), std::string::npos) << part;
  }
}

TEST(CommandLine, LongShortBundledAndEqualsForms) {
  Command c = ParseCommandLine({"-qf", "html", "--extra-points=7", "-lPipe",
                                "--level", "Hill", "--log=a.log", "-i", "b.log",
                                "-o", "out.html", "--force"});
  ASSERT_EQ(c.kind, CommandKind::kRun) << c.error;
  EXPECT_TRUE(c.options.quiet);
  EXPECT_EQ(c.options.format, ReportFormat::kHtml);
  EXPECT_EQ(c.options.extra_points, 7);
  EXPECT_EQ(c.options.levels, (std::vector<std::string>{"Pipe", "Hill"}));
  EXPECT_EQ(c.options.logs, (std::vector<std::string>{"a.log", "b.log"}));
  EXPECT_EQ(c.options.output, "out.html");
  EXPECT_TRUE(c.options.force);
  // Arguments that are no options are logs; -h and -V answer at once.
  c = ParseCommandLine({"a.log", "-q", "--", "-b.log", "--explain=t"});
  ASSERT_EQ(c.kind, CommandKind::kRun) << c.error;
  EXPECT_EQ(c.options.logs,
            (std::vector<std::string>{"a.log", "-b.log", "--explain=t"}));
  EXPECT_FALSE(c.options.explain);
  EXPECT_EQ(ParseCommandLine({"-qh"}).kind, CommandKind::kHelp);
  EXPECT_EQ(ParseCommandLine({"-V"}).kind, CommandKind::kVersion);
  // A value may start with a dash; a unique prefix names a long option.
  c = ParseCommandLine({"-l", "-odd level", "--form", "stats", "--dir", "d"});
  ASSERT_EQ(c.kind, CommandKind::kRun) << c.error;
  EXPECT_EQ(c.options.levels[0], "-odd level");
  EXPECT_EQ(c.options.format, ReportFormat::kStatsText);
  EXPECT_EQ(c.options.directory, "d");
}

TEST(CommandLine, UsageErrors) {
  const std::pair<std::vector<std::string_view>, std::string> kCases[] = {
      {{"-x"}, "unknown option '-x'"},
      {{"--help", "--bogus"}, "unknown option '--bogus'"},
      {{"--forse"}, "unknown option '--forse'; did you mean '--force'?"},
      {{"-i"}, "option '-i' needs a value"},
      {{"--format"}, "option '--format' needs a value"},
      {{"--quiet=yes"}, "option '--quiet' takes no value"},
      {{"--f", "text"}, "ambiguous option '--f'"},
      {{"-p", "1001"},
       "extra points must be a whole number from 0 to 1000, not '1001'"},
      {{"-p", "7x"},
       "extra points must be a whole number from 0 to 1000, not '7x'"},
      {{"-p", "99999999999999999999"},
       "extra points must be a whole number from 0 to 1000, not "
       "'99999999999999999999'"},
      {{"-f", "pdf"},
       "unknown format 'pdf' (text, stats, html, json, csv, web or site)"},
      {{"--log-format=xchat"},
       "unknown log format 'xchat' (classic, irssi, weechat, znc, mirc, "
       "hexchat, limnoria, eggdrop or auto)"},
      {{"-l", " "}, "a level name must not be blank"},
      {{"-o", "x", "-d", "y"}, "'-o' and '-d' cannot be given together"},
      {{"--force"}, "'--force' goes with '-o FILE'"},
      {{"--follow"}, "'--follow' needs '-o FILE': the report it republishes"},
      {{"--follow", "-o", "-"},
       "'--follow' needs '-o FILE': the report it republishes"},
      {{"--follow", "-o", "r", "-l", "Pipe12"},
       "'--follow' cannot go with '-l': level by level reads the log again "
       "for every level"},
      {{"--follow", "-o", "r", "-i", "-"},
       "'--follow' cannot follow standard input ('-i -'): it follows a log "
       "file as it grows"},
      {{"--follow", "-o", "r", "a.log", "b.log.gz"},
       "'--follow' cannot follow the gzip log 'b.log.gz': it follows the "
       "last log as the client writes it"},
      {{"--follow", "-o", "r", "--explain=why.txt"},
       "'--follow' explains on standard error, not to a file"},
  };
  for (const auto& [args, sentence] : kCases) {
    Answer a = Handle(args);
    EXPECT_EQ(a.status, 2) << sentence;
    EXPECT_EQ(a.out, "");
    EXPECT_EQ(a.err, UsageError(sentence));
  }
}

}  // namespace
}  // namespace vexlane

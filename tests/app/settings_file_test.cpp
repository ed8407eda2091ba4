#include "app/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "test_util.h"

namespace vexlane {
namespace {

TEST(SettingsFile, ReadsEveryKind) {
  SettingsFile s;
  std::string error;
  ASSERT_TRUE(ParseSettings(R"(# a channel
log = ["a.log", "b.log"]
log-format = "irssi"
extra-points = 2
quiet = true
force = false
since = 2024-09-01
until = "2024-12-31"
ignore = ["ChanServ", "Guest*"]

[players]
Bob = ["bob_", "Bob|away"]

[[battle]]
level = "Pipe12"
start = "2024-11-12 19:54:30"
add = ["Fox 1:01,99", "Ann 12"]
drop = ["Eve"]

[[battle]]
level = "Cave3"
start = 21:10:02
skip = true
)",
                            "s.toml", &s, &error))
      << error;
  std::string options;
  for (const auto& o : s.options) options += o.name + "=" + o.value + " ";
  // Keys come in the file's order, the elements of a list in theirs.
  EXPECT_EQ(options,
            "log=a.log log=b.log log-format=irssi extra-points=2 "
            "quiet= since=2024-09-01 until=2024-12-31 ");
  EXPECT_EQ(s.options.back().line, 8u);
  const Corrections& c = s.corrections;
  ASSERT_EQ(c.ignores.size(), 2u);
  ASSERT_EQ(c.aliases.size(), 2u);
  EXPECT_EQ(c.aliases[1].player, "Bob");
  ASSERT_EQ(c.repairs.size(), 2u);
  EXPECT_EQ(c.repairs[0].add[0].name, "Fox");
  EXPECT_EQ(c.repairs[0].add[0].seconds, 1u);
  EXPECT_EQ(c.repairs[0].add[1].apples, 12u);
  EXPECT_EQ(c.repairs[0].line, 14u);
  EXPECT_EQ(c.repairs[1].start, "21:10:02");
  EXPECT_TRUE(c.repairs[1].skip);
  // A byte order mark first is no character of the file.
  ASSERT_TRUE(ParseSettings("\xEF\xBB\xBFquiet = true\n", "s.toml", &s, &error))
      << error;
  // Characters other than ASCII as escapes; comments may hold them.
  ASSERT_TRUE(ParseSettings("# \xc3\xa9\n[players]\nZoe = [\"Zo\\u00EB\"]\n",
                            "s.toml", &s, &error))
      << error;
  EXPECT_EQ(s.corrections.aliases[0].nick, "Zo\xc3\xab");
}

// Every wrong settings file names the file, the line and the column, and
// what was expected.
TEST(SettingsFile, ErrorsNameThePlace) {
  const std::pair<std::string, std::string> kCases[] = {
      {"log = [\n", "s.toml:1:"},
      {"colour = 1\n",
       "s.toml:1:1: unknown key 'colour' (the keys are log, "
       "log-format, format, extra-points, level, output, force, "
       "directory, quiet, explain, since, until, title, home, static, "
       "strict, ignore, players, battle)"},
      // A key of the top written below a table's header.
      {"[players]\nBob = [\"bob_\"]\nlog = [\"a.log\"]\n",
       "s.toml:3:1: 'log' belongs at the top of the file, but it comes after "
       "[players] (line 1), which takes it in: move it above the first "
       "table"},
      {"[[battle]]\nlevel = \"A\"\nstart = \"19:54:30\"\nsince = 2024-01-01\n",
       "s.toml:4:1: 'since' belongs at the top of the file, but it comes after "
       "[[battle]] (line 1)"},
      {"forse = true\n",
       "s.toml:1:1: unknown key 'forse'; did you mean 'force'?"},
      {"extra-points = \"2\"\n",
       "s.toml:1:16: 'extra-points' must be a whole number"},
      {"since = \"Sept\"\n", "s.toml:1:9: 'since' must be a date (YYYY-MM-DD)"},
      {"[[battle]]\nlevel = \"A\"\nstart = \"20:00:00\"\nadd = [\"Fox "
       "1:61\"]\n",
       "s.toml:4:8: 'Fox 1:61' holds no time or apples after the name (as "
       "\"Fox 1:01,99\" or \"Fox 12\")"},
      {"[[battle]]\nlevel = \"A\"\nstart = 2024-11-12T19:54:30+02:00\n",
       "s.toml:3:9: the start must be the log's own stamp, without a time "
       "zone"},
      {"[[battle]]\nlevel = \"A\"\nstart = \"19:54:60\"\n",
       "s.toml:3:9: the start '19:54:60' must be a stamp"},
      {"[[battle]]\nlevel = \"A\"\nstart = \"2024-02-30 19:54:00\"\n",
       "s.toml:3:9: the start '2024-02-30 19:54:00' must be a stamp"},
      {"[[battle]]\nlevel = \"A\"\nadd = [\"Fox 1:01,99\"]\n",
       "s.toml:1:1: a [[battle]] needs its 'level' and its 'start'"},
      {"[[battle]]\nlevel = \"A\"\nstart = \"19:54:00\"\nstrat = 2\n",
       "s.toml:4:1: unknown key 'strat' in [[battle]]; did you mean 'start'?"},
      // Players: the first mistake written is the one said; one name in
      // two cases, or a nick that is another player, is a mistake.
      {"[players]\nZed = [\"x\"]\nAmy = [\"X\"]\n",
       "s.toml:3:8: 'X' is already a nick of 'Zed' (line 2)"},
      {"[players]\nBob = [\"x\"]\nBOB = [\"y\"]\n",
       "s.toml:3:1: 'BOB' and 'Bob' (line 2) are one player"},
      // Names, nicks and levels are printable: a report never breaks a
      // line or colours a terminal for them.
      {"[players]\n\"Evil\\nName\" = [\"Cal\"]\n",
       "s.toml:2:1: 'Evil\\x0aName' holds a control character (0x0A)"},
      {"ignore = [\"x\\u001b[31m\"]\n",
       "s.toml:1:11: 'x\\x1b[31m' holds a control character (0x1B)"},
      {"[players]\nAnn = [\"Bob\"]\nBob = [\"Ann\"]\n",
       "s.toml:2:8: 'Bob' is the player 'Bob' (line 3), not a nick of 'Ann'"},
      {"[[battle]]\nlevel = \"A\"\nstart = \"19:54:00\"\nwhen = 2\n",
       "s.toml:4:1: unknown key 'when' in [[battle]] (level, start, add, drop, "
       "skip)"},
      // Deep nesting would overflow the reader's stack: refused before.
      {"a" + std::string(100000, '.') + "b = 1\n",
       "s.toml:1:66: nested more than 64 deep"},
      {std::string(5000, '[') + "\n", "s.toml:1:65: nested more than 64 deep"},
      // Keys and texts longer than anything the settings hold.
      {"log = \"" + std::string(5000, 'a') + "\"\n",
       "s.toml:1:8: a key, text or value of over 4096 characters"},
      {"[players]\n" + std::string(5000, 'B') + " = [\"b\"]\n",
       "s.toml:2:1: a key, text or value of over 4096 characters"},
      // In an inline table too (the key after the line's '=').
      {"players = { a" + std::string(300000, '.') + "b = [\"x\"] }\n",
       "s.toml:1:78: nested more than 64 deep"},
      // Other than ASCII, the reader's library meets undefined behaviour:
      // such characters are written as escapes (comments may hold them).
      {"# caf\xc3\xa9\nlog = \"Zo\xc3\xab\"\n",
       "s.toml:2:10: a character other than ASCII (write it as \\u00EB in "
       "\"quotes\")"},
      {"log = \"\xf0\x9f\x8f\x81\"\n",
       "s.toml:1:8: a character other than ASCII (write it as \\U0001F3C1"},
      {"log = \"caf\xe9\"\n",
       "s.toml:1:11: a byte that is not UTF-8 (0xE9): save the file as UTF-8"},
      {"[players]\nBob = [\"bob_\"]\nRob = [\"BOB_\"]\n",
       "s.toml:3:8: 'BOB_' is already a nick of 'Bob' (line 2): one nick is "
       "one player"},
  };
  for (const auto& [text, expected] : kCases) {
    SettingsFile s;
    std::string error;
    EXPECT_FALSE(ParseSettings(text, "s.toml", &s, &error)) << text;
    EXPECT_EQ(error.substr(0, expected.size()), expected) << text;
  }
}

// What is not a settings file is refused at once, never waited on: a FIFO
// without a writer, a directory, a file of over a megabyte.
TEST(SettingsFile, OnlyARegularFileOfAtMostAMegabyteIsRead) {
  testing::TempDir dir;
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  testing::WriteFile(dir.File("big.toml"),
                     std::string((1 << 20) + 1, '#') + "\n");
  testing::WriteFile(dir.File("ok.toml"), "quiet = true\n");
  const std::pair<std::string, std::string> kCases[] = {
      {dir.File("fifo"), "a FIFO, not a regular file"},
      {dir.path(), "a directory, not a regular file"},
      {dir.File("big.toml"), "larger than 1 MiB"},
      {dir.File("none.toml"), "No such file or directory"},
  };
  for (const auto& [path, expected] : kCases) {
    SettingsFile s;
    std::string error;
    EXPECT_FALSE(ReadSettingsFile(path, &s, &error));
    EXPECT_NE(error.find(expected), std::string::npos) << error;
    EXPECT_EQ(error.find('\'' + path + "': "), 0u) << error;
  }
  SettingsFile s;
  std::string error;
  EXPECT_TRUE(ReadSettingsFile(dir.File("ok.toml"), &s, &error)) << error;
}

}  // namespace
}  // namespace vexlane

#include "app/option_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>

#include "app/command_line.h"
#include "app/settings_file.h"
#include "test_util.h"

namespace vexlane {
namespace {

using testing::ReadFile;

// "-i, --log FILE", "--force", "--explain[=FILE]": an option as the manual
// page and the documentation name it.
std::string Label(const OptionDef& def) {
  std::string label;
  if (def.short_name != 0) label = std::string{'-', def.short_name, ','};
  label += (label.empty() ? "--" : " --") + std::string(def.long_name);
  if (def.value == OptionValue::kSwitchOrFile) {
    label += "[=" + std::string(def.value_name) + "]";
  } else if (!def.value_name.empty()) {
    label += " " + std::string(def.value_name);
  }
  return label;
}

// The manual page's option headings (the line after each .TP in OPTIONS),
// with the font requests and escapes taken out.
std::set<std::string> ManPageOptions(const std::string& page) {
  std::set<std::string> labels;
  std::istringstream lines(page.substr(page.find(".SH OPTIONS")));
  std::string line;
  bool heading = false;
  while (std::getline(lines, line)) {
    if (line.rfind(".SH", 0) == 0 && line != ".SH OPTIONS") break;
    if (heading && line.rfind(".B", 0) == 0) {
      std::string label;
      bool quoted = false;
      for (std::size_t i = line.find(' ') + 1; i < line.size(); ++i) {
        if (line[i] == '"') {
          quoted = !quoted;
        } else if (line.compare(i, 2, "\\-") == 0) {
          label += '-';
          ++i;
        } else if (line.compare(i, 2, "\\f") == 0) {
          i += 2;
        } else if (line[i] != ' ' || quoted) {
          label += line[i];
        }
      }
      labels.insert(label);
    }
    heading = line == ".TP";
  }
  return labels;
}

// The rows of the documentation's option table: "`--log FILE`|`-i`|`log`".
std::set<std::string> DocumentedOptions(const std::string& page) {
  std::set<std::string> rows;
  std::istringstream lines(page);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("| `--", 0) != 0) continue;
    std::string row;
    std::size_t at = 1;
    for (int cell = 0; cell < 3; ++cell) {
      const std::size_t end = line.find(" |", at);
      row += (cell > 0 ? "|" : "") + line.substr(at + 1, end - at - 1);
      at = end + 2;
    }
    rows.insert(row);
  }
  return rows;
}

// The manual page and the documentation hold every option of the table,
// and none that it lacks.
TEST(OptionTable, ManPageAndDocumentationFollowTheTable) {
  std::set<std::string> man;
  std::set<std::string> docs;
  for (const OptionDef& def : OptionTable()) {
    man.insert(Label(def));
    std::string row = "`--" + std::string(def.long_name);
    if (def.value == OptionValue::kSwitchOrFile) {
      row += "[=" + std::string(def.value_name) + "]";
    } else if (!def.value_name.empty()) {
      row += " " + std::string(def.value_name);
    }
    row += "`|";
    row +=
        def.short_name != 0 ? "`-" + std::string(1, def.short_name) + "`" : "—";
    row += "|" + (def.in_settings ? "`" + std::string(def.long_name) + "`"
                                  : std::string("—"));
    docs.insert(row);
  }
  const std::string source = VEXLANE_SOURCE_DIR;
  EXPECT_EQ(ManPageOptions(ReadFile(source + "/man/vexlane-stats.1")), man);
  EXPECT_EQ(DocumentedOptions(ReadFile(source + "/docs/settings.md")), docs);
}

// The settings file and the command line fill one structure; the command
// line wins key by key, -o and -d being one choice, and a switch of the
// file holds whatever the command line says.
TEST(OptionTable, TheCommandLineWinsKeyByKey) {
  SettingsFile file;
  std::string error;
  ASSERT_TRUE(ParseSettings(
      "log = [\"a.log\", \"b.log\"]\nformat = \"html\"\noutput = \"r.html\"\n"
      "force = true\nsince = 2024-01-01\nextra-points = 3\nquiet = true\n",
      "s.toml", &file, &error))
      << error;
  Command c = ParseCommandLine({"-c", "s.toml", "-f", "json", "-o", "x.json",
                                "--since", "2024-02-01", "c.log"});
  ASSERT_EQ(c.kind, CommandKind::kRun) << c.error;
  ASSERT_TRUE(ApplySettings(file, "s.toml", &c.options, &error)) << error;
  const RunOptions& o = c.options;
  EXPECT_EQ(o.logs, std::vector<std::string>{"c.log"});
  EXPECT_EQ(o.format, ReportFormat::kJson);
  EXPECT_EQ(o.output, "x.json");
  EXPECT_TRUE(o.force);  // the file's, although -o came from the command line
  EXPECT_TRUE(o.quiet);
  EXPECT_EQ(o.extra_points, 3);
  EXPECT_EQ(o.corrections.since, "2024-02-01");
  EXPECT_EQ(o.corrections.since_line, 0u);
  // -d sets aside the file's -o, which would otherwise clash with it.
  c = ParseCommandLine({"-c", "s.toml", "-d", "out"});
  ASSERT_TRUE(ApplySettings(file, "s.toml", &c.options, &error)) << error;
  EXPECT_EQ(c.options.output, "");
  EXPECT_EQ(c.options.directory, "out");
  EXPECT_EQ(c.options.logs, (std::vector<std::string>{"a.log", "b.log"}));
  EXPECT_EQ(c.options.corrections.since_line, 5u);
  // A value of the file the command line sets aside is still checked.
  ASSERT_TRUE(ParseSettings("format = \"pdf\"\n", "s.toml", &file, &error));
  c = ParseCommandLine({"-c", "s.toml", "-f", "text", "-o", "-"});
  EXPECT_FALSE(ApplySettings(file, "s.toml", &c.options, &error));
  EXPECT_EQ(error.rfind("s.toml:1:10: unknown format 'pdf'", 0), 0u) << error;
  // An escaped NUL names no file; one settings file a run.
  ASSERT_TRUE(ParseSettings("output = \"rep\\u0000ort.txt\"\n", "s.toml", &file,
                            &error));
  c = ParseCommandLine({"-c", "s.toml"});
  EXPECT_FALSE(ApplySettings(file, "s.toml", &c.options, &error));
  EXPECT_EQ(error.rfind("s.toml:1:10: 'output' must not hold a NUL", 0), 0u)
      << error;
  EXPECT_EQ(ParseCommandLine({"-c", "a.toml", "-c", "b.toml"}).error,
            "option '-c' may be given once: a run reads one settings file");
  // Keys the file cannot hold, and near misses, are named.
  EXPECT_FALSE(ParseSettings("follow = true\n", "s.toml", &file, &error));
  EXPECT_EQ(error,
            "s.toml:1:1: unknown key 'follow': '--follow' is an option of "
            "the command line only");
  EXPECT_FALSE(ParseSettings("extra_points = 2\n", "s.toml", &file, &error));
  EXPECT_EQ(error,
            "s.toml:1:1: unknown key 'extra_points'; did you mean "
            "'extra-points'?");
}

// The shell's completion, run as bash runs it: every option after a dash,
// the formats after -f, nothing to offer after -p.
TEST(OptionTable, CompletionOffersWhatTheTableHolds) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("completion"), BashCompletion());
  const auto complete = [&](const std::string& words) {
    const std::string command =
        "cd '" + dir.path() +
        "' && bash -c 'source ./completion; COMP_WORDS=(" + words +
        "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _vexlane_stats; " +
        "echo \"${COMPREPLY[*]}\"' > out";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return ReadFile(dir.File("out"));
  };
  std::string every;
  for (const OptionDef& def : OptionTable()) {
    if (def.short_name != 0) every += std::string{'-', def.short_name, ' '};
    every += "--" + std::string(def.long_name) + " ";
  }
  std::string offered = " " + complete("vexlane-stats -") + " ";
  std::replace(offered.begin(), offered.end(), '\n', ' ');
  std::istringstream wanted(every);
  for (std::string option; wanted >> option;) {
    EXPECT_NE(offered.find(" " + option + " "), std::string::npos) << option;
  }
  EXPECT_EQ(complete("vexlane-stats -f \"\""),
            "text stats html json csv web site\n");
  EXPECT_EQ(complete("vexlane-stats --log-format w"), "weechat\n");
  EXPECT_EQ(complete("vexlane-stats -p \"\""), "\n");
  // A value after '=', which bash makes a word of its own; the last of
  // bundled short options; a file name with a space is one word.
  EXPECT_EQ(complete("vexlane-stats --format = cs"), "csv\n");
  EXPECT_EQ(complete("vexlane-stats -qf ht"), "html\n");
  testing::WriteFile(dir.File("my log.txt"), "");
  EXPECT_EQ(complete("vexlane-stats -i my"), "my log.txt\n");
  EXPECT_EQ(complete("vexlane-stats --explain = my"), "my log.txt\n");
}

}  // namespace
}  // namespace vexlane

#include "ui/dialog.h"

#include <gtest/gtest.h>

#include <sstream>

#include "test_util.h"

namespace vexlane {
namespace {

using testing::CountOf;
using testing::TempDir;
using testing::WriteFile;

struct Answers {
  bool readable = false;
  RunSettings settings;
  std::string level;
  std::string output;
};

Answers Ask(const std::string& input) {
  std::istringstream in(input);
  std::ostringstream out;
  Console console{in, out, false};
  Answers a;
  a.readable = AskSettings(console, &a.settings, &a.level);
  a.output = out.str();
  return a;
}

class AskSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log_ = dir_.File("chan.log");
    WriteFile(log_, "[21:00:00] <Ann> hi\n");
  }
  // Answers for every question after the extra points, with `log_`.
  std::string Rest() const { return log_ + "\n\n\n\n"; }

  TempDir dir_;
  std::string log_;
};

TEST_F(AskSettingsTest, EnterEverywhereGivesTheDefaults) {
  // The default log name is relative; run where no such file exists.
  Answers a = Ask("");
  EXPECT_FALSE(a.readable);
  EXPECT_EQ(a.settings.log_file_name, "#battle.log");
  EXPECT_EQ(a.settings.extra_points, 1);

  a = Ask("\n" + Rest());
  EXPECT_TRUE(a.readable);
  EXPECT_EQ(a.settings.extra_points, 1);
  EXPECT_EQ(a.settings.format, ReportFormat::kComboText);
  EXPECT_TRUE(a.settings.automatic_mode);
  EXPECT_EQ(a.output.substr(0, 53),
            "    Vexlane statistics, v. 1.9 by the Vexlane team\n  ");
  EXPECT_NE(a.output.find(
                "the next one etc.  \n\nGive the extra points you want to give "
                "to winner (default 1): Give the log file (default "
                "#battle.log): Do you want to create a text file (1) or html "
                "file (2) (default 1): Creating text file...\nDo you want to "
                "create a combo battle file (1) or \na stats.txt -kind of file "
                "(2) (default 1): Give the first level name or press just "
                "enter to find \nautomatically all battles from file: Level "
                "name was not given, trying to find automatically all battles "
                "from file. \n"),
            std::string::npos);
}

TEST_F(AskSettingsTest, ExtraPointsRangeAndReAsk) {
  const std::string kRange = "Points must be in range 0 - 1000.\n";
  Answers a = Ask("1001\n-1\n99999999999999999999\n0\n" + Rest());
  EXPECT_EQ(a.settings.extra_points, 0);
  EXPECT_EQ(CountOf(a.output, kRange), 3u);
  EXPECT_EQ(CountOf(a.output, "winner (default 1): "), 4u);

  a = Ask("1000\n" + Rest());
  EXPECT_EQ(a.settings.extra_points, 1000);
  a = Ask("7 abc\n" + Rest());
  EXPECT_EQ(a.settings.extra_points, 7);
  a = Ask("  +3\n" + Rest());
  EXPECT_EQ(a.settings.extra_points, 3);

  // A word is asked again without a message.
  a = Ask("many\n5\n" + Rest());
  EXPECT_EQ(a.settings.extra_points, 5);
  EXPECT_EQ(CountOf(a.output, kRange), 0u);
  EXPECT_EQ(CountOf(a.output, "winner (default 1): "), 2u);
}

TEST_F(AskSettingsTest, FormatAndKindAnswersAreExactTexts) {
  Answers a = Ask("\n" + log_ + "\n2\n\n");
  EXPECT_EQ(a.settings.format, ReportFormat::kHtml);
  EXPECT_NE(a.output.find("Creating html file...\nGive the first level"),
            std::string::npos);

  a = Ask("\n" + log_ + "\n 2\n2\nPipe\n");
  EXPECT_EQ(a.settings.format, ReportFormat::kStatsText);
  EXPECT_FALSE(a.settings.automatic_mode);
  EXPECT_EQ(a.level, "Pipe");

  a = Ask("\n" + log_ + "\n3\n1\n  \n");
  EXPECT_EQ(a.settings.format, ReportFormat::kComboText);
  EXPECT_TRUE(a.settings.automatic_mode);

  // Windows line ends are dropped with the "\n".
  a = Ask("5\r\n" + log_ + "\r\n2\r\nPipe\r\n");
  EXPECT_EQ(a.settings.extra_points, 5);
  EXPECT_EQ(a.settings.log_file_name, log_);
  EXPECT_EQ(a.settings.format, ReportFormat::kHtml);
  EXPECT_EQ(a.level, "Pipe");
}

TEST_F(AskSettingsTest, UnreadableLogsAreRefusedWithOnePause) {
  const std::string kPause = "Press any key to continue . . . \n";
  for (const std::string& name :
       {log_ + " ", dir_.File("missing.log"), dir_.path()}) {
    Answers a = Ask("\n" + name + "\n");
    EXPECT_FALSE(a.readable) << name;
    EXPECT_EQ(a.settings.log_file_name, name);
    const std::string tail = "Can't read file \"" + name + "\".\n" + kPause;
    ASSERT_GE(a.output.size(), tail.size());
    EXPECT_EQ(a.output.substr(a.output.size() - tail.size()), tail);
  }
}

TEST(NextLevelPrompt, AsksFromTheSecondEventOrWhenForced) {
  std::istringstream in("Hill\n\n");
  std::ostringstream out;
  Console console{in, out, false};
  std::string level = "Pipe";
  EXPECT_TRUE(NextLevelPrompt(console, 1, &level, false));
  EXPECT_EQ(out.str(), "");
  EXPECT_TRUE(NextLevelPrompt(console, 1, &level, true));
  EXPECT_EQ(level, "Hill");
  EXPECT_FALSE(NextLevelPrompt(console, 2, &level, false));
  EXPECT_FALSE(NextLevelPrompt(console, 3, &level, false));  // input ended
  EXPECT_EQ(out.str(),
            "Give the 1. level name or press only enter to quit: "
            "Give the 2. level name or press only enter to quit: "
            "Give the 3. level name or press only enter to quit: ");
}

}  // namespace
}  // namespace vexlane

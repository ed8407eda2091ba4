#include "driver/log_scan.h"

#include <gtest/gtest.h>

#include <sstream>

#include "test_util.h"

namespace vexlane {
namespace {

using testing::CountOf;
using testing::TempDir;
using testing::WriteFile;

struct Scan {
  int added = 0;
  RunCollections run;
  std::string output;
  // "level/by/players" per battle, in order.
  std::string Battles() const {
    std::string out;
    for (const BattleSummary& b : run.summaries) {
      out += b.level + "/" + b.starter + "/" + std::to_string(b.players) + " ";
    }
    return out;
  }
};

class LogScanTest : public ::testing::Test {
 protected:
  Scan Run(const std::string& log, const std::string& first_level = "",
           const std::string& input = "") {
    settings_.log_file_name = dir_.File("test.log");
    settings_.automatic_mode = first_level.empty();
    WriteFile(settings_.log_file_name, log);
    std::istringstream in(input);
    std::ostringstream out;
    Console console{in, out, false};
    Scan s;
    s.added = ScanLog(settings_, first_level, &s.run, console);
    s.output = out.str();
    return s;
  }

  TempDir dir_;
  RunSettings settings_;
};

const std::string kLink = "http://lev.example/";

std::string Line(const std::string& stamp, const std::string& nick,
                 const std::string& message) {
  return "[" + stamp + "] <" + nick + "> " + message + "\n";
}

TEST_F(LogScanTest, StopWordsCountOnlyFromTheStarterBotsAndQuib) {
  for (const std::string stopper : {"Ann", "battlebot", "ballebot", "quib"}) {
    Scan s = Run(Line("21:00:00", "Ann", kLink + "A.lev") +
                 Line("21:01:00", "Bob", "1:00,00") +
                 Line("21:02:00", stopper, "stop") +
                 Line("21:03:00", "Cal", "1:10,00"));
    EXPECT_EQ(s.Battles(), "A/Ann/1 ") << stopper;
  }
  // Another player's stop or end does not stop it.
  Scan s = Run(Line("21:00:00", "Ann", kLink + "A.lev") +
               Line("21:01:00", "Bob", "1:00,00") +
               Line("21:02:00", "Bob", "STOP please, the END") +
               Line("21:02:30", "Quib", "stop") +
               Line("21:03:00", "Cal", "1:10,00"));
  EXPECT_EQ(s.Battles(), "A/Ann/2 ");
}

TEST_F(LogScanTest, StopWordsAreFoundInsideOtherWords) {
  for (const std::string word : {"my friend", "BACKEND", "Stopwatch"}) {
    Scan s =
        Run(Line("21:00:00", "Ann", kLink + "A.lev") +
            Line("21:01:00", "Bob", "1:00,00") + Line("21:02:00", "Ann", word) +
            Line("21:03:00", "Cal", "1:10,00"));
    EXPECT_EQ(s.Battles(), "A/Ann/1 ") << word;
  }
}

TEST_F(LogScanTest, AnybodyStopsABattleWithoutStarter) {
  // A link in a line with no speaker, before anybody spoke: no starter.
  Scan s = Run("[21:00:00] * Ann shows " + kLink + "A.lev\n" +
               Line("21:01:00", "Bob", "1:00,00") +
               Line("21:02:00", "Cal", "the end") +
               Line("21:03:00", "Dee", "1:10,00"));
  EXPECT_EQ(s.Battles(), "A//1 ");
  EXPECT_NE(s.output.find("Adding event 1: A...\n"), std::string::npos);
}

TEST_F(LogScanTest, LinkLinesAndSpeakerlessLinesGiveNoTime) {
  Scan s = Run(Line("21:00:00", "Ann", kLink + "A.lev") +
               Line("21:01:00", "Bob", "x.LEV 1:00,00") +
               Line("21:01:00", "Bob", "Bob.Rec 1:00,00") +
               Line("21:01:00", "Bob", "hTTp 1:00,00") +
               "[21:01:30] * Cal 1:00,00\n" + Line("21:02:00", "Ann", "stop"));
  EXPECT_EQ(s.added, 0);
  EXPECT_EQ(s.output, "");  // a battle without times is dropped silently
}

TEST_F(LogScanTest, OtherLevelLinkEndsTheBattleAndStartsTheNext) {
  Scan s =
      Run(Line("21:00:00", "Ann", kLink + "A.lev") +
          Line("21:01:00", "Bob", "1:00,00") +
          Line("21:02:00", "Cal", "again " + kLink + "A.lev") +
          Line("21:03:00", "Dee", "1:10,00") +
          Line("21:04:00", "Eve", kLink + "B.lev") +
          Line("21:05:00", "Bob", "50,00") + Line("21:06:00", "Eve", "stop"));
  EXPECT_EQ(s.Battles(), "A/Ann/2 B/Eve/1 ");
  EXPECT_EQ(s.output,
            "Adding event 1: A by Ann...\nAdding event 2: B by Eve...\n");
  EXPECT_NE(s.run.results.find("Event 1: A by Ann at 21:00:00 (4 mins)"),
            std::string::npos);
}

TEST_F(LogScanTest, AnnouncementCreditsTheNamedNickForTenLines) {
  auto log_with_link_after = [](int lines) {
    std::string log = Line("20:59:00", "battlebot", "battle soon by Ann");
    for (int i = 1; i < lines; ++i) log += Line("20:59:30", "Max", "chat");
    log += Line("21:00:00", "Bob", kLink + "A.lev");
    log += Line("21:01:00", "Cal", "1:00,00");
    return log;
  };
  EXPECT_EQ(Run(log_with_link_after(10)).Battles(), "A/Ann/1 ");
  EXPECT_EQ(Run(log_with_link_after(11)).Battles(), "A/Bob/1 ");
}

TEST_F(LogScanTest, AnnouncementOfTheRunningLevelSetsItsStarter) {
  Scan s =
      Run(Line("21:00:00", "Bob", kLink + "A.lev") +
          Line("21:00:10", "battlebot", "battle A.lev by (Ann)") +
          Line("21:01:00", "Cal", "1:00,00") +
          Line("21:02:00", "Bob", "stop") +  // no longer the starter
          Line("21:03:00", "Dee", "1:10,00") + Line("21:04:00", "Ann", "stop"));
  EXPECT_EQ(s.Battles(), "A/Ann/2 ");
}

TEST_F(LogScanTest, BattleOpenAtTheEndOfTheLog) {
  const std::string log = Line("21:00:00", "Ann", kLink + "A.lev") +
                          Line("21:01:00", "Bob", "1:00,00") +
                          "[21:09:00] <Cal> 1:10,00";
  // With a final line end the end-of-log line is empty: no end stamp.
  Scan s = Run(log + "\n");
  EXPECT_EQ(s.Battles(), "A/Ann/2 ");
  EXPECT_NE(s.run.results.find("Event 1: A by Ann at 21:00:00\n"),
            std::string::npos);
  // Without it the last line is examined once more and gives the end stamp.
  s = Run(log);
  EXPECT_EQ(s.Battles(), "A/Ann/2 ");
  EXPECT_NE(s.run.results.find("Event 1: A by Ann at 21:00:00 (9 mins)\n"),
            std::string::npos);
}

TEST_F(LogScanTest, WindowsLineEndsScanLikeUnixOnes) {
  const std::string log =
      Line("21:00:00", "Ann", kLink + "A.lev") +
      Line("21:01:00", "Bob", "1:00,00") + Line("21:02:00", "Ann", "stop") +
      Line("21:03:00", "Cal", kLink + "B.lev") + Line("21:04:00", "Bob", "12");
  std::string crlf;
  for (char c : log)
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  Scan unix_scan = Run(log);
  Scan windows_scan = Run(crlf);
  EXPECT_EQ(windows_scan.Battles(), "A/Ann/1 B/Cal/1 ");
  EXPECT_EQ(windows_scan.run.results, unix_scan.run.results);
}

TEST_F(LogScanTest, EventNumbersCountOnlyBattlesWithTimes) {
  Scan s =
      Run(Line("21:00:00", "Ann", kLink + "A.lev") +
          Line("21:02:00", "Ann", "stop") +
          Line("21:03:00", "Bob", kLink + "B.lev") +
          Line("21:04:00", "Cal", "1:00,00") + Line("21:05:00", "Bob", "end"));
  EXPECT_EQ(s.added, 1);
  EXPECT_EQ(s.output, "Adding event 1: B by Bob...\n");
}

TEST_F(LogScanTest, EmptyAndBinaryLogs) {
  EXPECT_EQ(Run("").added, 0);
  EXPECT_EQ(Run("\n\n\r\n").added, 0);
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919) % 256);
  EXPECT_EQ(Run(junk).output.find("Adding"), std::string::npos);
  Scan s = Run(Line("21:00:00", "Ann", kLink + "A.lev") +
               std::string("[21:01:00] <B\0b> 1:00,00\n", 25) +
               Line("21:02:00", "\xC4nn\xFF", "59,00"));
  EXPECT_EQ(s.Battles(), "A/Ann/2 ");
}

const std::string kTwice =
    Line("21:00:00", "Ann", kLink + "Pipe1.lev") +
    Line("21:01:00", "Bob", "1:00,00") + Line("21:02:00", "Ann", "stop") +
    Line("21:03:00", "Cal", kLink + "Hill.lev") +
    Line("21:04:00", "Bob", "2:00,00") + Line("21:05:00", "Cal", "stop") +
    Line("22:00:00", "Dee", kLink + "Pipe1.lev") +
    Line("22:01:00", "Eve", "1:30,00") + Line("22:02:00", "Dee", "stop");

TEST_F(LogScanTest, LevelByLevelFindsTheFirstBattleOfALevel) {
  Scan s = Run(kTwice, "pipe", "\nhill\n\nPIPE1\n\n");
  EXPECT_EQ(s.Battles(), "Pipe1/Ann/1 Hill/Cal/1 Pipe1/Ann/1 ");
  EXPECT_EQ(CountOf(s.output, "The following times were found"), 3u);
  EXPECT_NE(s.output.find("Give the 2. level name or press only enter to "
                          "quit: "),
            std::string::npos);
}

TEST_F(LogScanTest, LevelByLevelAsksTheSameNumberWhenNotFound) {
  Scan s = Run(kTwice, "Nowhere", "Hill\n\n");
  EXPECT_EQ(s.Battles(), "Hill/Cal/1 ");
  EXPECT_NE(s.output.find("The level file you asked was not found from the "
                          "file.\nGive the 1. level name or press only enter "
                          "to quit: "),
            std::string::npos);
  // The end of input at the prompt ends the scan.
  s = Run(kTwice, "Nowhere", "");
  EXPECT_EQ(s.added, 0);
  EXPECT_EQ(CountOf(s.output, "not found"), 1u);
  s = Run(kTwice, "Pipe1", "");
  EXPECT_EQ(s.Battles(), "Pipe1/Ann/1 ");
}

TEST_F(LogScanTest, LevelByLevelReviewEditsTheTimes) {
  Scan s = Run(kTwice, "Pipe1", "add\nZed\n59,00\n\n\n");
  EXPECT_EQ(s.Battles(), "Pipe1/Ann/2 ");
  EXPECT_EQ(s.run.summaries[0].winner.name, "Zed");
  EXPECT_NE(s.output.find("\nResults: \n"), std::string::npos);
}

}  // namespace
}  // namespace vexlane

namespace vexlane {
namespace {

// The scan skips searches on lines that hold no '.' and no "by"; the words
// must be found wherever they stand in lines of any length.
TEST_F(LogScanTest, WordsAreFoundAtEveryPlaceInLinesOfAnyLength) {
  for (std::size_t before = 0; before < 40; before += 3) {
    for (std::size_t after = 0; after < 40; after += 5) {
      const std::string pad_before(before, 'x');
      const std::string pad_after(after, 'x');
      Scan s = Run("[20:00:00] <battlebot> " + pad_before + " battle by Zed " +
                   pad_after + "\n" +
                   Line("21:00:00", "Ann",
                        pad_before + " " + kLink + "A.LeV " + pad_after) +
                   Line("21:01:00", "Bob", "1:00,00") +
                   Line("21:02:00", "Cal", "x.Rec 1:00,00 ") +
                   Line("21:03:00", "Zed", pad_before + "STOP" + pad_after));
      EXPECT_EQ(s.Battles(), "A/Zed/1 ") << before << " " << after;
    }
  }
  // A link as the whole message, and "by" at the very end of a line.
  Scan s =
      Run("battle by Zed\nhttp://x/Q.lev\n" + Line("21:01:00", "Bob", "12"));
  EXPECT_EQ(s.Battles(), "Q/Zed/1 ");
}

}  // namespace
}  // namespace vexlane

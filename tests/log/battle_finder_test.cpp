#include "log/battle_finder.h"

#include <gtest/gtest.h>

#include <set>

#include "test_util.h"

namespace vexlane {
namespace {

// A client that records what the finder hands over and answers the
// level-by-level questions from a list.
class Recorder : public FinderClient {
 public:
  explicit Recorder(std::vector<std::string> next_levels)
      : next_levels_(std::move(next_levels)) {}

  void BattleFound(FoundBattle* b) override {
    std::set<std::string> nicks;
    for (const TimeEntry& e : b->times) nicks.insert(e.name);
    battles +=
        b->level + "/" + b->starter + "/" + std::to_string(nicks.size()) + " ";
    stamps += b->start_stamp + "-" + b->end_stamp + " ";
    events.push_back(b->event);
    last = std::move(*b);
  }
  bool NextLevel(int event, std::string* level, bool force) override {
    asked += std::to_string(event) + (force ? "! " : " ");
    if (event > 1 || force) {
      if (next_levels_.empty()) return false;
      *level = next_levels_.front();
      next_levels_.erase(next_levels_.begin());
    }
    return !level->empty();
  }
  void LevelNotFound(const std::string& level) override {
    not_found += level + " ";
  }

  std::string battles;  // "level/starter/players " per battle
  std::string stamps;   // "start-end " per battle
  std::vector<int> events;
  std::string asked;  // "event " per question, "event! " when forced
  std::string not_found;
  FoundBattle last;

 private:
  std::vector<std::string> next_levels_;
};

struct Scan {
  int added = 0;
  std::string battles;
  std::string stamps;
  std::string asked;
  std::string not_found;
  FoundBattle last;
  std::string Battles() const { return battles; }
};

// Automatic mode when `levels` is empty; else level by level, the first of
// `levels` first and the others as the answers to the next-level question.
Scan Find(const std::string& log, std::vector<std::string> levels = {}) {
  MemorySource source(log);
  FinderOptions options;
  options.automatic = levels.empty();
  if (!levels.empty()) {
    options.first_level = levels.front();
    levels.erase(levels.begin());
  }
  Recorder recorder(std::move(levels));
  Scan s;
  s.added = FindBattles({&source}, options, &recorder);
  s.battles = recorder.battles;
  s.stamps = recorder.stamps;
  s.asked = recorder.asked;
  s.not_found = recorder.not_found;
  s.last = std::move(recorder.last);
  return s;
}

const std::string kLink = "http://lev.example/";

std::string Line(const std::string& stamp, const std::string& nick,
                 const std::string& message) {
  return "[" + stamp + "] <" + nick + "> " + message + "\n";
}

TEST(BattleFinder, StopWordsCountOnlyFromTheStarterBotsAndQuib) {
  for (const std::string stopper : {"Ann", "battlebot", "ballebot", "quib"}) {
    Scan s = Find(Line("21:00:00", "Ann", kLink + "A.lev") +
                  Line("21:01:00", "Bob", "1:00,00") +
                  Line("21:02:00", stopper, "stop") +
                  Line("21:03:00", "Cal", "1:10,00"));
    EXPECT_EQ(s.Battles(), "A/Ann/1 ") << stopper;
  }
  // Another player's stop or end does not stop it.
  Scan s = Find(Line("21:00:00", "Ann", kLink + "A.lev") +
                Line("21:01:00", "Bob", "1:00,00") +
                Line("21:02:00", "Bob", "STOP please, the END") +
                Line("21:02:30", "Quib", "stop") +
                Line("21:03:00", "Cal", "1:10,00"));
  EXPECT_EQ(s.Battles(), "A/Ann/2 ");
}

TEST(BattleFinder, StopWordsAreFoundInsideOtherWords) {
  for (const std::string word : {"my friend", "BACKEND", "Stopwatch"}) {
    Scan s = Find(Line("21:00:00", "Ann", kLink + "A.lev") +
                  Line("21:01:00", "Bob", "1:00,00") +
                  Line("21:02:00", "Ann", word) +
                  Line("21:03:00", "Cal", "1:10,00"));
    EXPECT_EQ(s.Battles(), "A/Ann/1 ") << word;
  }
}

TEST(BattleFinder, AnybodyStopsABattleWithoutStarter) {
  // A link in a line with no speaker, before anybody spoke: no starter.
  Scan s = Find("[21:00:00] * Ann shows " + kLink + "A.lev\n" +
                Line("21:01:00", "Bob", "1:00,00") +
                Line("21:02:00", "Cal", "the end") +
                Line("21:03:00", "Dee", "1:10,00"));
  EXPECT_EQ(s.Battles(), "A//1 ");
}

TEST(BattleFinder, LinkLinesAndSpeakerlessLinesGiveNoTime) {
  Scan s = Find(Line("21:00:00", "Ann", kLink + "A.lev") +
                Line("21:01:00", "Bob", "x.LEV 1:00,00") +
                Line("21:01:00", "Bob", "Bob.Rec 1:00,00") +
                Line("21:01:00", "Bob", "hTTp 1:00,00") +
                "[21:01:30] * Cal 1:00,00\n" + Line("21:02:00", "Ann", "stop"));
  EXPECT_EQ(s.added, 0);  // a battle without times is dropped silently
}

TEST(BattleFinder, OtherLevelLinkEndsTheBattleAndStartsTheNext) {
  Scan s =
      Find(Line("21:00:00", "Ann", kLink + "A.lev") +
           Line("21:01:00", "Bob", "1:00,00") +
           Line("21:02:00", "Cal", "again " + kLink + "A.lev") +
           Line("21:03:00", "Dee", "1:10,00") +
           Line("21:04:00", "Eve", kLink + "B.lev") +
           Line("21:05:00", "Bob", "50,00") + Line("21:06:00", "Eve", "stop"));
  EXPECT_EQ(s.Battles(), "A/Ann/2 B/Eve/1 ");
  EXPECT_EQ(s.stamps, "21:00:00-21:04:00 21:04:00-21:06:00 ");
}

TEST(BattleFinder, EachBattleKeepsTheLinkThatStartedIt) {
  // A second link to the running level and an announcement naming it change
  // neither its level nor its link; another level's link starts its own.
  const std::string log =
      Line("21:00:00", "Ann",
           "go: " + kLink + "a.LEV?x=1 (" + kLink + "b.lev)") +
      Line("21:00:30", "Cal", "mirror http://m.example/a.lev") +
      Line("21:00:40", "battlebot", "battle a.lev by Ann") +
      Line("21:01:00", "Bob", "1:00,00") +
      Line("21:02:00", "Eve", kLink + "B.lev") +
      Line("21:03:00", "Bob", "50,00");
  MemorySource source(log);  // reads the text in place: it must outlive it
  struct Links : Recorder {
    using Recorder::Recorder;
    void BattleFound(FoundBattle* b) override {
      seen += b->level + "=" + b->link + " ";
    }
    std::string seen;
  } client(std::vector<std::string>{});
  FindBattles({&source}, FinderOptions{}, &client);
  EXPECT_EQ(client.seen, "a=" + kLink + "a.LEV?x=1 B=" + kLink + "B.lev ");
}

TEST(BattleFinder, AnnouncementCreditsTheNamedNickForTenLines) {
  auto log_with_link_after = [](int lines) {
    std::string log = Line("20:59:00", "battlebot", "battle soon by Ann");
    for (int i = 1; i < lines; ++i) log += Line("20:59:30", "Max", "chat");
    log += Line("21:00:00", "Bob", kLink + "A.lev");
    log += Line("21:01:00", "Cal", "1:00,00");
    return log;
  };
  EXPECT_EQ(Find(log_with_link_after(10)).Battles(), "A/Ann/1 ");
  EXPECT_EQ(Find(log_with_link_after(11)).Battles(), "A/Bob/1 ");
}

TEST(BattleFinder, AnnouncementOfTheRunningLevelSetsItsStarter) {
  Scan s = Find(Line("21:00:00", "Bob", kLink + "A.lev") +
                Line("21:00:10", "battlebot", "battle A.lev by (Ann)") +
                Line("21:01:00", "Cal", "1:00,00") +
                Line("21:02:00", "Bob", "stop") +  // no longer the starter
                Line("21:03:00", "Dee", "1:10,00") +
                Line("21:04:00", "Ann", "stop"));
  EXPECT_EQ(s.Battles(), "A/Ann/2 ");
}

TEST(BattleFinder, BattleOpenAtTheEndOfTheLog) {
  const std::string log = Line("21:00:00", "Ann", kLink + "A.lev") +
                          Line("21:01:00", "Bob", "1:00,00") +
                          "[21:09:00] <Cal> 1:10,00";
  // With a final line end the end-of-log line is empty: no end stamp.
  Scan s = Find(log + "\n");
  EXPECT_EQ(s.Battles(), "A/Ann/2 ");
  EXPECT_EQ(s.stamps, "21:00:00- ");
  // Without it the last line is examined once more and gives the end stamp:
  // its time is then posted twice, which the last-post rule makes harmless.
  s = Find(log);
  EXPECT_EQ(s.Battles(), "A/Ann/2 ");
  EXPECT_EQ(s.stamps, "21:00:00-21:09:00 ");
  EXPECT_EQ(s.last.times.size(), 3u);
}

TEST(BattleFinder, WindowsLineEndsScanLikeUnixOnes) {
  const std::string log =
      Line("21:00:00", "Ann", kLink + "A.lev") +
      Line("21:01:00", "Bob", "1:00,00") + Line("21:02:00", "Ann", "stop") +
      Line("21:03:00", "Cal", kLink + "B.lev") + Line("21:04:00", "Bob", "12");
  std::string crlf;
  for (char c : log)
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  Scan unix_scan = Find(log);
  Scan windows_scan = Find(crlf);
  EXPECT_EQ(windows_scan.Battles(), "A/Ann/1 B/Cal/1 ");
  EXPECT_EQ(windows_scan.stamps, unix_scan.stamps);
}

TEST(BattleFinder, EventNumbersCountOnlyBattlesWithTimes) {
  Scan s =
      Find(Line("21:00:00", "Ann", kLink + "A.lev") +
           Line("21:02:00", "Ann", "stop") +
           Line("21:03:00", "Bob", kLink + "B.lev") +
           Line("21:04:00", "Cal", "1:00,00") + Line("21:05:00", "Bob", "end"));
  EXPECT_EQ(s.added, 1);
  EXPECT_EQ(s.Battles(), "B/Bob/1 ");
  EXPECT_EQ(s.last.event, 1);
}

TEST(BattleFinder, EmptyAndBinaryLogs) {
  EXPECT_EQ(Find("").added, 0);
  EXPECT_EQ(Find("\n\n\r\n").added, 0);
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919) % 256);
  EXPECT_EQ(Find(junk).added, 0);
  Scan s = Find(Line("21:00:00", "Ann", kLink + "A.lev") +
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

TEST(BattleFinder, LevelByLevelFindsTheFirstBattleOfALevel) {
  Scan s = Find(kTwice, {"pipe", "hill", "PIPE1"});
  EXPECT_EQ(s.Battles(), "Pipe1/Ann/1 Hill/Cal/1 Pipe1/Ann/1 ");
  EXPECT_EQ(s.asked, "1 2 3 4 ");
}

TEST(BattleFinder, LevelByLevelAsksTheSameNumberWhenNotFound) {
  Scan s = Find(kTwice, {"Nowhere", "Hill"});
  EXPECT_EQ(s.Battles(), "Hill/Cal/1 ");
  EXPECT_EQ(s.not_found, "Nowhere ");
  EXPECT_EQ(s.asked, "1 1! 2 ");
  // No answer at the prompt ends the scan.
  s = Find(kTwice, {"Nowhere"});
  EXPECT_EQ(s.added, 0);
  EXPECT_EQ(s.asked, "1 1! ");
  s = Find(kTwice, {"Pipe1"});
  EXPECT_EQ(s.Battles(), "Pipe1/Ann/1 ");
}

// Once a battle of the asked level has started, the level is the name as
// found: later links in the same pass must hold that name to start one.
TEST(BattleFinder, LevelByLevelMatchesTheNameAsFoundAfterItsStart) {
  const std::string log = Line("20:00:00", "Ann", kLink + "Pipe1.lev") +
                          Line("20:01:00", "Ann", kLink + "Hill.lev") +
                          Line("20:02:00", "Bob", kLink + "pipeline.lev") +
                          Line("20:03:00", "Cal", "1:00,00") +
                          Line("20:09:00", "Ann", "stop");
  Scan s = Find(log, {"pipe"});
  EXPECT_EQ(s.added, 0);
  EXPECT_EQ(s.not_found, "");  // found, closed without times: the scan ends
  // A tab is no blank: the name as found keeps it, and a later link
  // without the tab does not match it.
  const std::string tabbed =
      Line("20:00:00", "Ann", "http://x.example/\tPipe2.lev") +
      Line("20:01:00", "Bob", kLink + "Pipe2b.lev") +
      Line("20:02:00", "Cal", "1:00,00");
  s = Find(tabbed, {"pipe2"});
  EXPECT_EQ(s.added, 0);
  EXPECT_EQ(Find(tabbed).Battles(), "Pipe2b/Bob/1 ");
}

}  // namespace
}  // namespace vexlane

namespace vexlane {
namespace {

// The scan skips searches on lines that hold no '.' and no "by"; the words
// must be found wherever they stand in lines of any length.
TEST(BattleFinder, WordsAreFoundAtEveryPlaceInLinesOfAnyLength) {
  for (std::size_t before = 0; before < 40; before += 3) {
    for (std::size_t after = 0; after < 40; after += 5) {
      const std::string pad_before(before, 'x');
      const std::string pad_after(after, 'x');
      Scan s = Find("[20:00:00] <battlebot> " + pad_before + " battle by Zed " +
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
      Find("battle by Zed\nhttp://x/Q.lev\n" + Line("21:01:00", "Bob", "12"));
  EXPECT_EQ(s.Battles(), "Q/Zed/1 ");
}

}  // namespace
}  // namespace vexlane

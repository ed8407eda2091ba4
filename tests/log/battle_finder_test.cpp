#include "log/battle_finder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "test_util.h"

namespace vexlane {
namespace {

// What the finder hands over; the answers to its level-by-level questions
// come from a list.
struct Scan : FinderClient {
  void BattleFound(FoundBattle* b) override {
    std::set<std::string> nicks;
    for (const TimeEntry& e : b->times) nicks.insert(e.name);
    battles +=
        b->level + "/" + b->starter + "/" + std::to_string(nicks.size()) + " ";
    stamps += b->start_stamp + "-" + b->end_stamp + " ";
    links += b->level + "=" + b->link + " ";
    last = std::move(*b);
  }
  bool NextLevel(int event, std::string* level, bool force) override {
    asked += std::to_string(event) + (force ? "! " : " ");
    if (event > 1 || force) {
      if (answers.empty()) return false;
      *level = answers.front();
      answers.erase(answers.begin());
    }
    return !level->empty();
  }
  void LevelNotFound(const std::string& level) override {
    not_found += level + " ";
  }

  std::vector<std::string> answers;
  int added = 0;
  std::string battles;  // "level/starter/players " per battle
  std::string stamps;   // "start-end " per battle
  std::string links;    // "level=link " per battle
  std::string asked;    // "event " per question, "event! " when forced
  std::string not_found;
  FoundBattle last;
};

// Automatic mode when `levels` is empty; else level by level, the first of
// `levels` first and the others as the answers to the next-level question.
Scan Find(const std::string& log, std::vector<std::string> levels = {}) {
  MemorySource source(log);
  FinderOptions options;
  Scan s;
  if (!levels.empty()) {
    options.automatic = false;
    options.first_level = levels.front();
    s.answers.assign(levels.begin() + 1, levels.end());
  }
  s.added = FindBattles({&source}, options, &s);
  return s;
}

const std::string kLink = "http://lev.example/";

std::string Line(const std::string& stamp, const std::string& nick,
                 const std::string& message) {
  return "[" + stamp + "] <" + nick + "> " + message + "\n";
}

// Bob's time counts; Cal's, posted after the line, only when the line did
// not stop the battle.
TEST(BattleFinder, WhoMayStopABattleAndWhatStopsIt) {
  struct Case {
    std::string link_line, nick, says, battles;
  };
  const std::string by_ann = Line("21:00:00", "Ann", kLink + "A.lev");
  // A link in a line with no speaker, before anybody spoke: no starter.
  const std::string by_nobody = "[21:00:00] * Ann shows " + kLink + "A.lev\n";
  const Case kCases[] = {
      // The starter, the bots and quib stop it.
      {by_ann, "Ann", "stop", "A/Ann/1 "},
      {by_ann, "battlebot", "stop", "A/Ann/1 "},
      {by_ann, "ballebot", "stop", "A/Ann/1 "},
      {by_ann, "quib", "stop", "A/Ann/1 "},
      // The words are found inside others.
      {by_ann, "Ann", "my friend", "A/Ann/1 "},
      {by_ann, "Ann", "BACKEND", "A/Ann/1 "},
      {by_ann, "Ann", "Stopwatch", "A/Ann/1 "},
      // Another player's stop or end does not stop it.
      {by_ann, "Bob", "STOP please, the END", "A/Ann/2 "},
      {by_ann, "Quib", "stop", "A/Ann/2 "},
      // Without a starter anybody does.
      {by_nobody, "Cal", "the end", "A//1 "},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.nick + ": " + c.says);
    EXPECT_EQ(Find(c.link_line + Line("21:01:00", "Bob", "1:00,00") +
                   Line("21:02:00", c.nick, c.says) +
                   Line("21:03:00", "Cal", "1:10,00"))
                  .battles,
              c.battles);
  }
}

// Link lines (".lev", ".rec", "http") and lines with no speaker give no
// time; a battle without times is dropped silently and takes no event
// number.
TEST(BattleFinder, BattlesWithoutTimesAreDropped) {
  Scan s =
      Find(Line("21:00:00", "Ann", kLink + "A.lev") +
           Line("21:01:00", "Bob", "x.LEV 1:00,00") +
           Line("21:01:00", "Bob", "Bob.Rec 1:00,00") +
           Line("21:01:00", "Bob", "hTTp 1:00,00") +
           "[21:01:30] * Cal 1:00,00\n" + Line("21:02:00", "Ann", "stop") +
           Line("21:03:00", "Bob", kLink + "B.lev") +
           Line("21:04:00", "Cal", "1:00,00") + Line("21:05:00", "Bob", "end"));
  EXPECT_EQ(s.added, 1);
  EXPECT_EQ(s.battles, "B/Bob/1 ");
  EXPECT_EQ(s.last.event, 1);
}

TEST(BattleFinder, OtherLevelLinkEndsTheBattleAndStartsTheNext) {
  Scan s =
      Find(Line("21:00:00", "Ann", kLink + "A.lev") +
           Line("21:01:00", "Bob", "1:00,00") +
           Line("21:02:00", "Cal", "again " + kLink + "A.lev") +
           Line("21:03:00", "Dee", "1:10,00") +
           Line("21:04:00", "Eve", kLink + "B.lev") +
           Line("21:05:00", "Bob", "50,00") + Line("21:06:00", "Eve", "stop"));
  EXPECT_EQ(s.battles, "A/Ann/2 B/Eve/1 ");
  EXPECT_EQ(s.stamps, "21:00:00-21:04:00 21:04:00-21:06:00 ");
  // Each battle keeps the link that started it: a second link to the
  // running level and an announcement naming it change neither its level
  // nor its link.
  s = Find(Line("21:00:00", "Ann",
                "go: " + kLink + "a.LEV?x=1 (" + kLink + "b.lev)") +
           Line("21:00:30", "Cal", "mirror http://m.example/a.lev") +
           Line("21:00:40", "battlebot", "battle a.lev by Ann") +
           Line("21:01:00", "Bob", "1:00,00") +
           Line("21:02:00", "Eve", kLink + "B.lev") +
           Line("21:03:00", "Bob", "50,00"));
  EXPECT_EQ(s.links, "a=" + kLink + "a.LEV?x=1 B=" + kLink + "B.lev ");
}

// An announcement credits the named nick with the next battle for ten
// lines, and with the running battle when it names its level.
TEST(BattleFinder, AnnouncementsCreditTheNamedNick) {
  auto log_with_link_after = [](int lines) {
    std::string log = Line("20:59:00", "battlebot", "battle soon by Ann");
    for (int i = 1; i < lines; ++i) log += Line("20:59:30", "Max", "chat");
    log += Line("21:00:00", "Bob", kLink + "A.lev");
    log += Line("21:01:00", "Cal", "1:00,00");
    return log;
  };
  EXPECT_EQ(Find(log_with_link_after(10)).battles, "A/Ann/1 ");
  EXPECT_EQ(Find(log_with_link_after(11)).battles, "A/Bob/1 ");
  Scan s = Find(Line("21:00:00", "Bob", kLink + "A.lev") +
                Line("21:00:10", "battlebot", "battle A.lev by (Ann)") +
                Line("21:01:00", "Cal", "1:00,00") +
                Line("21:02:00", "Bob", "stop") +  // no longer the starter
                Line("21:03:00", "Dee", "1:10,00") +
                Line("21:04:00", "Ann", "stop"));
  EXPECT_EQ(s.battles, "A/Ann/2 ");
}

TEST(BattleFinder, BattleOpenAtTheEndOfTheLog) {
  const std::string log = Line("21:00:00", "Ann", kLink + "A.lev") +
                          Line("21:01:00", "Bob", "1:00,00") +
                          "[21:09:00] <Cal> 1:10,00";
  // With a final line end the end-of-log line is empty: no end stamp.
  Scan s = Find(log + "\n");
  EXPECT_EQ(s.battles, "A/Ann/2 ");
  EXPECT_EQ(s.stamps, "21:00:00- ");
  // Without it the last line is examined once more and gives the end stamp:
  // its time is then posted twice, which the last-post rule makes harmless.
  s = Find(log);
  EXPECT_EQ(s.battles, "A/Ann/2 ");
  EXPECT_EQ(s.stamps, "21:00:00-21:09:00 ");
  EXPECT_EQ(s.last.times.size(), 3u);
}

TEST(BattleFinder, WindowsLineEndsScanLikeUnixOnes) {
  const std::string log =
      Line("21:00:00", "Ann", kLink + "A.lev") +
      Line("21:01:00", "Bob", "1:00,00") + Line("21:02:00", "Ann", "stop") +
      Line("21:03:00", "Cal", kLink + "B.lev") + Line("21:04:00", "Bob", "12");
  std::string crlf;
  for (char c : log) crlf += c == '\n' ? "\r\n" : std::string(1, c);
  const Scan windows = Find(crlf);
  EXPECT_EQ(windows.battles, "A/Ann/1 B/Cal/1 ");
  EXPECT_EQ(windows.stamps, Find(log).stamps);
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
  EXPECT_EQ(s.battles, "A/Ann/2 ");
}

const std::string kTwice =
    Line("21:00:00", "Ann", kLink + "Pipe1.lev") +
    Line("21:01:00", "Bob", "1:00,00") + Line("21:02:00", "Ann", "stop") +
    Line("21:03:00", "Cal", kLink + "Hill.lev") +
    Line("21:04:00", "Bob", "2:00,00") + Line("21:05:00", "Cal", "stop") +
    Line("22:00:00", "Dee", kLink + "Pipe1.lev") +
    Line("22:01:00", "Eve", "1:30,00") + Line("22:02:00", "Dee", "stop");

TEST(BattleFinder, LevelByLevelFindsTheFirstBattleOfEachAskedLevel) {
  Scan s = Find(kTwice, {"pipe", "hill", "PIPE1"});
  EXPECT_EQ(s.battles, "Pipe1/Ann/1 Hill/Cal/1 Pipe1/Ann/1 ");
  EXPECT_EQ(s.asked, "1 2 3 4 ");
  // A level not found is reported and the same number asked again.
  s = Find(kTwice, {"Nowhere", "Hill"});
  EXPECT_EQ(s.battles, "Hill/Cal/1 ");
  EXPECT_EQ(s.not_found, "Nowhere ");
  EXPECT_EQ(s.asked, "1 1! 2 ");
  // No answer at the prompt ends the scan.
  s = Find(kTwice, {"Nowhere"});
  EXPECT_EQ(s.added, 0);
  EXPECT_EQ(s.asked, "1 1! ");
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
  EXPECT_EQ(Find(tabbed).battles, "Pipe2b/Bob/1 ");
}

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
      EXPECT_EQ(s.battles, "A/Zed/1 ") << before << " " << after;
    }
  }
  // A link as the whole message, and "by" at the very end of a line.
  Scan s =
      Find("battle by Zed\nhttp://x/Q.lev\n" + Line("21:01:00", "Bob", "12"));
  EXPECT_EQ(s.battles, "Q/Zed/1 ");
}

// A followed log as a script of reads: each step's bytes with the break
// before them, or (no bytes) the log caught up.
class ScriptedLog : public ByteSource {
 public:
  struct Step {
    std::string bytes;
    LogBreak brk = LogBreak::kNone;
  };
  explicit ScriptedLog(std::vector<Step> steps) : steps_(std::move(steps)) {}
  bool Open(std::string*) override { return true; }
  std::ptrdiff_t Read(char* buffer, std::size_t size, std::string*) override {
    if (next_ == steps_.size()) return 0;
    Step& step = steps_[next_];
    if (step.bytes.empty()) {
      ++next_;
      return kNothingYet;
    }
    const std::size_t n = std::min(size, step.bytes.size());
    step.bytes.copy(buffer, n);
    step.bytes.erase(0, n);
    brk_ = std::exchange(step.brk, LogBreak::kNone);
    if (step.bytes.empty()) ++next_;
    return static_cast<std::ptrdiff_t>(n);
  }
  void Close() override {}
  const std::string& Name() const override { return name_; }
  LogBreak BreakBefore() const override { return brk_; }

 private:
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  LogBreak brk_ = LogBreak::kNone;
  std::string name_ = "live.log";
};

// What a follower's client hears, in order.
struct Heard : FinderClient {
  void BattleFound(FoundBattle* b) override {
    heard += b->level + std::to_string(b->event) + "/" + b->starter + " ";
  }
  bool NextLevel(int, std::string*, bool) override { return false; }
  void LevelNotFound(const std::string&) override {}
  void CaughtUp() override { heard += "| "; }
  void FileBegins() override { heard += "begin "; }
  void FileReadAgain() override { heard += "again "; }
  std::string heard;
};

// A file read again takes the scan back to where that file began: the
// battle running then runs again, a line that began in the old file and
// ended in the new one is read again whole, and the events are numbered
// as before. Caught up is told after a new file too.
TEST(BattleFinder, FileReadAgainTakesTheScanBackToTheFileStart) {
  const std::string a = Line("20:00:00", "Ann", kLink + "A.lev") +
                        Line("20:00:10", "Bob", "1:02,11");
  const std::string b = Line("20:01:00", "Ann", kLink + "B.lev") +
                        Line("20:01:10", "Cal", "0:59,87");
  const std::string c = Line("20:02:00", "Ann", kLink + "C.lev") +
                        Line("20:02:10", "Dee", "1:00,00");
  ScriptedLog log({{a + "[20:00:40] <Ann> st"},
                   {},
                   {"op\n" + b, LogBreak::kNewFile},
                   {},
                   {"op\n" + b + Line("20:01:40", "Ann", "stop") + c,
                    LogBreak::kReadAgain}});
  Heard client;
  EXPECT_EQ(FindBattles({&log}, FinderOptions{}, &client), 3);
  EXPECT_EQ(client.heard, "begin | begin A1/Ann | again A1/Ann B2/Ann C3/Ann ");
}

// A line the old file left unfinished ends with it when the new file
// begins with a whole line of its own: the new battle's link is Ann's,
// and her stop ends it.
TEST(BattleFinder, NewFileBeginningAWholeLineEndsTheOldFilesHalfLine) {
  ScriptedLog log(
      {{Line("20:00:00", "Ann", kLink + "A.lev") +
        Line("20:00:10", "Bob", "1:02,11") + "[20:00:30] <Zed> half a li"},
       {},
       {Line("20:01:00", "Ann", kLink + "B.lev") +
            Line("20:01:10", "Cal", "0:59,87") +
            Line("20:01:40", "Ann", "stop") +
            Line("20:01:50", "Bob", "1:00,00"),
        LogBreak::kNewFile}});
  Heard client;
  EXPECT_EQ(FindBattles({&log}, FinderOptions{}, &client), 2);
  EXPECT_EQ(client.heard, "begin | begin A1/Ann B2/Ann ");
}

}  // namespace
}  // namespace vexlane

#include "log/log_format.h"

#include <gtest/gtest.h>

#include "log/battle_finder.h"
#include "log/log_line.h"
#include "test_util.h"

namespace vexlane {
namespace {

using testing::ReadFile;

struct Fixture {
  std::string file;
  LogFormat format;
};

// The battle of every fixture: Ann links Pipe12 at 20:00:05 after an
// announcement, Bob, Cal (in colour) and Dee (renamed Dee2) post times,
// Ann stops it at 20:08:30.
const Fixture kFixtures[] = {
    {"classic.log", LogFormat::kClassic},
    {"irssi.log", LogFormat::kIrssi},
    {"weechat.log", LogFormat::kWeechat},
    {"znc/2024-11-12.log", LogFormat::kZnc},
    {"mirc.log", LogFormat::kMirc},
    {"hexchat.log", LogFormat::kHexchat},
    {"limnoria.log", LogFormat::kLimnoria},
    {"eggdrop/battle.2024-11-12.log", LogFormat::kEggdrop},
};

std::string FixturePath(const std::string& file) {
  return std::string(VEXLANE_FORMATS_DIR) + "/" + file;
}

class Keeper : public FinderClient {
 public:
  void BattleFound(FoundBattle* battle) override {
    battles.push_back(std::move(*battle));
  }
  bool NextLevel(int, std::string*, bool) override { return false; }
  void LevelNotFound(const std::string&) override {}
  std::vector<FoundBattle> battles;
};

std::vector<FoundBattle> Battles(const std::string& log, LogFormat format,
                                 const std::string& name = "log") {
  MemorySource source(log, name);
  FinderOptions options;
  options.format = format;
  Keeper keeper;
  FindBattles({&source}, options, &keeper);
  return keeper.battles;
}

TEST(LogFormat, EveryFixtureIsDetectedAndGivesItsBattle) {
  for (const Fixture& f : kFixtures) {
    SCOPED_TRACE(f.file);
    const std::string path = FixturePath(f.file);
    const std::string log = ReadFile(path);
    EXPECT_EQ(DetectLogFormat(log).format, f.format);
    const std::vector<FoundBattle> battles = Battles(log, f.format, path);
    ASSERT_EQ(battles.size(), 1u);
    const FoundBattle& b = battles[0];
    EXPECT_EQ(b.level, "Pipe12");
    EXPECT_EQ(b.starter, "Ann");
    std::string times;
    for (const TimeEntry& e : b.times) times += e.name + " ";
    EXPECT_EQ(times, "Bob Cal Dee2 ");
    EXPECT_EQ(b.start_stamp.substr(0, 5), "20:00");
    EXPECT_EQ(b.end_stamp.substr(0, 5), "20:08");
    EXPECT_EQ(b.date, f.format == LogFormat::kClassic ? "" : "2024-11-12");
  }
}

LogLine Read(LineReader* reader, std::string* keep, std::string_view text) {
  keep->assign(text);
  return reader->Read(keep);
}

TEST(LineReader, SpeakersMessagesAndEvents) {
  LineReader irssi(LogFormat::kIrssi);
  std::string keep;
  LogLine l = Read(&irssi, &keep, "20:01 <@Bob> 1:02,11");
  EXPECT_EQ(l.speaker, "Bob");
  EXPECT_EQ(l.message, "1:02,11");
  EXPECT_EQ(StampOf(l), "20:01:00");
  // Formatting codes go; an event never has a speaker, whatever it holds.
  l = Read(&irssi, &keep,
           "20:01:09 < Bob> \x02hi\x0f \x03"
           "12,3x");
  EXPECT_EQ(l.message, "hi x");
  l = Read(&irssi, &keep,
           "20:01 <Bob> \x04"
           "ff0000,00ff00\x1e\x11"
           "1:08,00");
  EXPECT_EQ(l.message, "1:08,00");
  l = Read(&irssi, &keep, "20:02 -!- Bob [b@h] has quit [<3>]");
  EXPECT_EQ(l.speaker, "");
  // A line of another shape is read as a classic line.
  l = Read(&irssi, &keep, "[20:03:00] <Bob> x");
  EXPECT_EQ(l.speaker, "Bob");
  EXPECT_EQ(StampOf(l), "20:03:00");
  LineReader weechat(LogFormat::kWeechat);
  l = Read(&weechat, &keep, "2024-11-12 20:01:10\t<--\tBob (b@h) has quit");
  EXPECT_EQ(l.speaker, "");
  EXPECT_EQ(DateText(l.date), "2024-11-12");
}

TEST(LineReader, DatesFromDayLinesMidnightAndFileNames) {
  LineReader irssi(LogFormat::kIrssi);
  std::string keep;
  EXPECT_EQ(Read(&irssi, &keep, "23:50 <Ann> x").date, 0u);  // none yet
  Read(&irssi, &keep, "--- Log opened Wed Feb 28 23:50:00 2024");
  EXPECT_EQ(DateText(Read(&irssi, &keep, "23:55 <Ann> x").date), "2024-02-28");
  // Past midnight, with no day line.
  EXPECT_EQ(DateText(Read(&irssi, &keep, "00:05 <Ann> x").date), "2024-02-29");
  Read(&irssi, &keep, "--- Day changed Fri Mar 01 2024");
  EXPECT_EQ(DateText(Read(&irssi, &keep, "00:00 <Ann> x").date), "2024-03-01");

  // A line played back a little late is no midnight; no such day, no date.
  Read(&irssi, &keep, "--- Log opened Tue Nov 12 20:00:00 2024");
  Read(&irssi, &keep, "19:30 <Bob> old");
  EXPECT_EQ(DateText(Read(&irssi, &keep, "20:01 <Ann> x").date), "2024-11-12");
  LineReader fresh(LogFormat::kIrssi);
  Read(&fresh, &keep, "--- Log opened Fri Feb 30 20:00:00 2024");
  EXPECT_EQ(Read(&fresh, &keep, "20:01 <Ann> x").date, 0u);

  LineReader znc(LogFormat::kZnc);
  znc.BeginFile("logs/#battle/2024-12-31.log");
  Read(&znc, &keep, "[23:59:00] <Ann> x");
  EXPECT_EQ(DateText(Read(&znc, &keep, "[00:01:00] <Ann> x").date),
            "2025-01-01");
  znc.BeginFile("battle_20240101.log");
  EXPECT_EQ(DateText(Read(&znc, &keep, "[00:02:00] <Ann> x").date),
            "2024-01-01");
}

// A stamp without seconds is the same minute as a header's time with
// seconds, not a pass through midnight: a battle on the 31st evening stays
// on the 31st.
TEST(LineReader, StampsWithoutSecondsCompareByMinute) {
  const std::string log =
      "--- Log opened Sun Mar 31 19:50:02 2024\n"
      "19:50 -!- Ann [a@h] has joined #battle\n"
      "19:51 < Ann> http://x.org/A.lev\n"
      "19:52 < Bob> 1:00,00\n"
      "19:53 < Ann> stop\n";
  const std::vector<FoundBattle> irssi = Battles(log, LogFormat::kIrssi);
  ASSERT_EQ(irssi.size(), 1u);
  EXPECT_EQ(irssi[0].date, "2024-03-31");
  const std::string mirc =
      "Session Start: Sun Mar 31 19:50:02 2024\n"
      "[19:50] <Ann> http://x.org/A.lev\n"
      "[19:52] <Bob> 1:00,00\n"
      "[19:53] <Ann> stop\n";
  ASSERT_EQ(Battles(mirc, LogFormat::kMirc).size(), 1u);
  EXPECT_EQ(Battles(mirc, LogFormat::kMirc)[0].date, "2024-03-31");
}

TEST(DetectLogFormat, ClassicWhenNothingStandsOutAndUnreadableLogs) {
  EXPECT_EQ(DetectLogFormat(std::string_view()).format, LogFormat::kClassic);
  EXPECT_EQ(
      DetectLogFormat(ReadFile(std::string(VEXLANE_GOLDEN_DIR) + "/golden.log"))
          .format,
      LogFormat::kClassic);
  // One client header atop a classic log is no client's log.
  std::string classic = "--- Log opened Thu Oct 07 19:40:00 2004\n";
  for (int i = 0; i < 20; ++i) classic += "[19:41:45] <Bob> hi\n";
  EXPECT_EQ(DetectLogFormat(classic).format, LogFormat::kClassic);
  const Detection d = DetectLogFormat(
      "@1100000000 <Ann!a@h> http://x.org/A.lev\n"
      "@1100000060 <Bob!b@h> 1:00,00\n"
      "@1100000090 <Ann!a@h> stop\n");
  EXPECT_EQ(d.unreadable, "dircproxy");
  EXPECT_EQ(LogFormatWithArticle("irssi"), "an irssi log");
  EXPECT_EQ(LogFormatWithArticle("weechat"), "a weechat log");
}

}  // namespace
}  // namespace vexlane

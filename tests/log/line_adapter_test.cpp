#include "log/line_adapter.h"

#include <gtest/gtest.h>

#include "log/battle_finder.h"
#include "log/log_reader.h"
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

std::vector<std::string> Lines(const std::string& path) {
  std::vector<std::string> lines;
  LogReader reader;
  EXPECT_TRUE(reader.Open(path));
  std::string_view line;
  while (reader.Next(&line)) lines.emplace_back(line);
  return lines;
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

TEST(LineAdapter, EveryFixtureIsDetectedAndGivesItsBattle) {
  for (const Fixture& f : kFixtures) {
    SCOPED_TRACE(f.file);
    const std::string path = FixturePath(f.file);
    EXPECT_EQ(DetectLogFormat(Lines(path)), f.format);
    FileSource source(path);
    FinderOptions options;
    options.format = f.format;
    Keeper keeper;
    ASSERT_EQ(FindBattles({&source}, options, &keeper), 1);
    const FoundBattle& b = keeper.battles[0];
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

TEST(LineAdapter, ShapesMessagesAndSpeakerlessLines) {
  LineAdapter irssi(LogFormat::kIrssi);
  EXPECT_EQ(irssi.Adapt("20:01 <@Bob> 1:02,11"), "[20:01:00] <Bob> 1:02,11");
  EXPECT_EQ(irssi.Adapt("20:01:09 < Bob> \x02hi\x0f \x03"
                        "12,3x"),
            "[20:01:09] <Bob> hi x");
  // An event never has a speaker, whatever brackets it holds.
  EXPECT_EQ(irssi.Adapt("20:02 -!- Bob [b@h] has quit [<3>]"),
            "[20:02:00] -!- Bob [b@h] has quit [(3)]");
  // A line of another shape is read as it is.
  EXPECT_EQ(irssi.Adapt("[20:03:00] <Bob> x"), "[20:03:00] <Bob> x");
  LineAdapter weechat(LogFormat::kWeechat);
  EXPECT_EQ(weechat.Adapt("2024-11-12 20:01:10\t<--\tBob (b@h) has quit"),
            "[20:01:10] (-- Bob (b@h) has quit");
}

TEST(LineAdapter, DatesFromDayLinesMidnightAndFileNames) {
  LineAdapter irssi(LogFormat::kIrssi);
  irssi.Adapt("23:50 <Ann> x");
  EXPECT_EQ(irssi.date(), "");  // no date known yet
  irssi.Adapt("--- Log opened Sat Feb 28 23:50:00 2024");
  irssi.Adapt("23:55 <Ann> x");
  EXPECT_EQ(irssi.date(), "2024-02-28");
  irssi.Adapt("00:05 <Ann> x");  // past midnight, no day line
  EXPECT_EQ(irssi.date(), "2024-02-29");
  irssi.Adapt("--- Day changed Fri Mar 01 2024");
  irssi.Adapt("00:00 <Ann> x");
  EXPECT_EQ(irssi.date(), "2024-03-01");

  LineAdapter znc(LogFormat::kZnc);
  znc.BeginFile("logs/#battle/2024-12-31.log");
  znc.Adapt("[23:59:00] <Ann> x");
  znc.Adapt("[00:01:00] <Ann> x");
  EXPECT_EQ(znc.date(), "2025-01-01");
  znc.BeginFile("battle_20240101.log");
  EXPECT_EQ(znc.date(), "2024-01-01");
}

TEST(DetectLogFormat, ClassicWhenNothingStandsOut) {
  EXPECT_EQ(DetectLogFormat({}), LogFormat::kClassic);
  EXPECT_EQ(
      DetectLogFormat(Lines(std::string(VEXLANE_GOLDEN_DIR) + "/golden.log")),
      LogFormat::kClassic);
}

}  // namespace
}  // namespace vexlane

// What the JSON, CSV and web outputs are made from, and those renderers
// where a log run by tests/exports cannot easily reach: ties, apples, nicks
// of one player, dates and months, text that JSON must escape.
#include "render/export_model.h"

#include <gtest/gtest.h>

#include <charconv>
#include <nlohmann/json.hpp>

#include "render/csv_report.h"
#include "render/json_report.h"
#include "season.h"
#include "test_util.h"

namespace vexlane {
namespace {

using testing::Post;

// The season with the settings of an export.
struct Season : testing::Season {
  ExportSettings settings;
  ExportModel Model() const { return {Whole(), settings}; }
};

TEST(ExportModel, DifferenceOnlyBehindAWinningTime) {
  Season s;
  s.Add({Post("Ann", "1:00,00"), Post("Bob", "1:00,00"), Post("Cal", "2:02,50"),
         Post("Dee", "12")});
  const std::vector<TimeEntry>& ranked = s.battles[0].ranked;
  EXPECT_EQ(ShownDifference(ranked, 0), "");  // the winner
  EXPECT_EQ(ShownDifference(ranked, 1), "");  // a tie
  EXPECT_EQ(ShownDifference(ranked, 2), "+1:02,50");
  EXPECT_EQ(BehindWinner(ranked, 2), 6250u);
  EXPECT_EQ(ShownDifference(ranked, 3), "");  // apples

  s.Add({Post("Ann", "30"), Post("Bob", "12")});  // apples only
  EXPECT_EQ(BehindWinner(s.battles[1].ranked, 1), std::nullopt);
}

TEST(ExportModel, RunningPointsOfAPlayerUnderSeveralNicks) {
  Season s;
  s.Add({Post("Bobby", "1:00,00"), Post("Ann", "1:10,00")});   // 2, 1
  s.Add({Post("BOBBIE", "1:20,00"), Post("Ann", "1:10,00")});  // 1, 2
  s.Add({Post("Cal", "1:00,00")});
  s.Add({Post("bobbY", "1:00,00"), Post("Cal", "1:10,00")});  // 2, 1
  s.Add({Post("Ann", "1:00,00")});
  const PlayerOrder bob_and_ann = {0, 1};  // first met, first recorded
  ASSERT_EQ(s.standings.scores[0].name, "Bobby");

  const auto every = RunningPoints(s.Whole(), bob_and_ann, 1);
  EXPECT_EQ(every[0], (std::vector<std::uint64_t>{2, 3, 3, 5, 5}));
  EXPECT_EQ(every[1], (std::vector<std::uint64_t>{1, 3, 3, 3, 4}));
  // Every second battle, and the last one whatever the step.
  EXPECT_EQ(RunningPoints(s.Whole(), bob_and_ann, 2)[0],
            (std::vector<std::uint64_t>{2, 3, 5}));
  EXPECT_EQ(RunningPoints(s.Whole(), bob_and_ann, 3)[0],
            (std::vector<std::uint64_t>{2, 5, 5}));
}

TEST(ExportModel, MonthsOfDatedBattlesInOrder) {
  Season s;
  s.Add({Post("Ann", "1:00,00")}, "2024-12-01");
  s.Add({Post("Bob", "1:00,00")});
  s.Add({Post("Cal", "1:00,00"), Post("Ann", "1:10,00")}, "2024-11-30");
  s.Add({Post("Cal", "1:00,00")}, "2024-12-31");
  const std::vector<MonthStandings>& months = s.Whole().months;
  ASSERT_EQ(months.size(), 2u);
  EXPECT_EQ(months[0].month, "2024-11");
  EXPECT_EQ(months[0].standings.battles.size(), 1u);
  EXPECT_EQ(months[1].month, "2024-12");
  ASSERT_EQ(months[1].standings.battles.size(), 2u);
  EXPECT_EQ(months[1].standings.scores[0].name, "Ann");
  EXPECT_EQ(months[1].standings.scores[0].points, 1);
}

TEST(ExportModel, RatingTextRoundsAsExactDecimalRounding) {
  const auto reference = [](double x) {
    char text[48];
    std::string shown(text, std::to_chars(text, text + sizeof text, x,
                                          std::chars_format::fixed, 1)
                                .ptr);
    return shown == "-0.0" ? std::string("0.0") : shown;
  };
  // Halves that binary holds exactly or nearly, on both sides of zero.
  for (double x :
       {0.25, 0.05, -0.05, 0.15, 12.35, -12.35, 2.5e-7, -0.04999, 0.0, -0.0}) {
    EXPECT_EQ(RatingText(x), reference(x)) << x;
  }
  std::uint64_t state = 42;
  for (int i = 0; i < 100000; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const double x =
        static_cast<double>(state >> 11) / 9007199254740992.0 * 120.0 - 60.0;
    ASSERT_EQ(RatingText(x), reference(x)) << x;
  }
}

TEST(JsonReport, NullsWhereTheLogGaveNothingAndEscapedText) {
  Season s;
  s.settings.logs.push_back({"#battle.log", "classic"});
  s.Add({Post("Ann", "1:00,00"), Post("Bob", "1:00,00"), Post("Cal", "12")}, "",
        "battlebot", "say \"hi\"\\\tnow");
  s.Add({Post("Ann", "1:30,00"), Post("Bob", "1:00,00")}, "2024-11-12");
  const nlohmann::json doc = nlohmann::json::parse(RenderJson(s.Model()));

  const nlohmann::json& first = doc["battles"][0];
  EXPECT_EQ(first["level"], "say \"hi\"\\\tnow");
  EXPECT_TRUE(first["starter"].is_null());  // a bot is no starter
  EXPECT_TRUE(first["date"].is_null());
  EXPECT_TRUE(first["entries"][1]["difference_hundredths"].is_null());  // tie
  const nlohmann::json& apples = first["entries"][2];
  EXPECT_TRUE(apples["hundredths"].is_null());
  EXPECT_EQ(apples["apples"], 12);
  EXPECT_EQ(apples["time"], "12 apples");
  EXPECT_EQ(doc["battles"][1]["date"], "2024-11-12");
  EXPECT_EQ(doc["battles"][1]["entries"][1]["difference_hundredths"], 3000);
}

TEST(CsvReport, FormulaCellsAndEmptyDifferences) {
  Season s;
  s.Add({Post("Ann", "1:00,00"), Post("=Bob", "1:00,00"), Post("Cal", "7")},
        "2024-11-12", "Ann", "-Pipe");
  EXPECT_EQ(
      RenderCsv(s.Model()),
      "event,date,level,starter,rank,player,time,hundredths,apples,"
      "points,difference,rating_after\r\n"
      "1,2024-11-12,\"'-Pipe\",Ann,1,Ann,\"1:00,00\",6000,,3,,1.1\r\n"
      "1,2024-11-12,\"'-Pipe\",Ann,2,\"'=Bob\",\"1:00,00\",6000,,2,,1.1\r\n"
      "1,2024-11-12,\"'-Pipe\",Ann,3,Cal,7 apples,,7,1,,-1.1\r\n");
}

}  // namespace
}  // namespace vexlane

#include "ui/ranking_echo.h"

#include <gtest/gtest.h>

#include <sstream>

#include "scoring/battle_scoring.h"
#include "test_util.h"

namespace vexlane {
namespace {

using testing::Post;

TEST(EchoRanking, RowsAsTheLevelByLevelModeShowsThem) {
  FoundBattle b;
  b.times = {Post("Ann", "1:05,00"), Post("LongNickname1234", "59,50"),
             Post("<A&B>", "7")};
  const ScoredBattle s = ScoreBattle(std::move(b), 2);
  std::ostringstream out;
  EchoRanking(s.ranked, out);
  // Nothing is escaped on the console, and a long nick is never cut.
  EXPECT_EQ(out.str(),
            "\nResults: \n"
            " Pos.  Player       Time        Diff.        Points \n" +
                std::string(53, '-') + "\n" +
                " 1.    LongNickname1234      0:59,50                  5\n"
                " 2.    Ann               1:05,00     +0:05,50     2\n"
                " 3.    <A&B>            7 apples                  1\n");
}

}  // namespace
}  // namespace vexlane

#include "results/records.h"

#include <gtest/gtest.h>

namespace vexlane {
namespace {

TEST(SamePlayer, FirstFourCharactersIgnoringCase) {
  EXPECT_TRUE(SamePlayer("Mike", "MIKE_away"));
  EXPECT_TRUE(SamePlayer("mikey", "Mike"));
  EXPECT_TRUE(SamePlayer("Johnny", "JOHNson"));
  EXPECT_FALSE(SamePlayer("Bo", "Bob"));  // a short nick is compared whole
  EXPECT_TRUE(SamePlayer("Bo", "bO"));
  EXPECT_TRUE(SamePlayer("", ""));
  EXPECT_FALSE(SamePlayer("\xE4nne", "\xC4NNE"));  // ASCII folding only
}

TEST(FindPlayer, FirstMatchInListOrder) {
  std::vector<PlayerScore> scores(3);
  scores[0].name = "Ann";
  scores[1].name = "Johnny";
  scores[2].name = "JOHNson";
  EXPECT_EQ(FindPlayer(scores, "johnathan"), 1u);
  EXPECT_EQ(FindPlayer(scores, "ann"), 0u);
  EXPECT_EQ(FindPlayer(scores, "Annie"), 3u);
}

}  // namespace
}  // namespace vexlane

namespace vexlane {
namespace {

TEST(FindPlayer, IndexAgreesWithTheListWalk) {
  const char* const kNicks[] = {"Ann",    "annie",   "Bo", "BO",    "Bob",
                                "Johnny", "JOHNson", "",   "\xFFx", "\xFFX"};
  std::vector<PlayerScore> scores;
  PlayerIndex index;
  for (const char* nick : kNicks) {
    for (const char* probe : kNicks) {
      EXPECT_EQ(FindPlayer(scores, probe, &index), FindPlayer(scores, probe))
          << probe;
    }
    scores.emplace_back();
    scores.back().name = nick;
  }
}

}  // namespace
}  // namespace vexlane

#include "scoring/players.h"

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
  PlayerIndex index;
  EXPECT_EQ(FindPlayer(scores, "johnathan", &index), 1u);
  EXPECT_EQ(FindPlayer(scores, "ann", &index), 0u);
  EXPECT_EQ(FindPlayer(scores, "Annie", &index), 3u);
}

// The first record that SamePlayer matches, by walking the list.
std::size_t Walk(const std::vector<PlayerScore>& scores,
                 std::string_view nick) {
  for (std::size_t i = 0; i < scores.size(); ++i) {
    if (SamePlayer(scores[i].name, nick)) return i;
  }
  return scores.size();
}

TEST(FindPlayer, IndexAgreesWithTheListWalk) {
  const char* const kNicks[] = {"Ann",    "annie",   "Bo", "BO",    "Bob",
                                "Johnny", "JOHNson", "",   "\xFFx", "\xFFX"};
  std::vector<PlayerScore> scores;
  PlayerIndex index;
  for (const char* nick : kNicks) {
    for (const char* probe : kNicks) {
      EXPECT_EQ(FindPlayer(scores, probe, &index), Walk(scores, probe))
          << probe;
    }
    scores.emplace_back();
    scores.back().name = nick;
  }
}

}  // namespace
}  // namespace vexlane

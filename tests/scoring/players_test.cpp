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

// The first record that SamePlayer matches, by walking the list.
std::size_t Walk(const std::vector<PlayerScore>& scores,
                 std::string_view nick) {
  for (std::size_t i = 0; i < scores.size(); ++i) {
    if (SamePlayer(scores[i].name, nick)) return i;
  }
  return scores.size();
}

// The index kept along as the list grows, and one built from the whole list
// at once.
TEST(FindPlayer, IndexAgreesWithTheListWalk) {
  const char* const kNicks[] = {"Ann",    "annie",   "Bo", "BO",    "Bob",
                                "Johnny", "JOHNson", "",   "\xFFx", "\xFFX"};
  std::vector<PlayerScore> scores;
  PlayerIndex index;
  for (const char* nick : kNicks) {
    for (const char* probe : kNicks) {
      PlayerIndex fresh;
      EXPECT_EQ(FindPlayer(scores, probe, &index), Walk(scores, probe))
          << probe;
      EXPECT_EQ(FindPlayer(scores, probe, &fresh), Walk(scores, probe))
          << probe;
    }
    scores.emplace_back();
    scores.back().name = nick;
  }
}

}  // namespace
}  // namespace vexlane

#include "log/player_names.h"

#include <gtest/gtest.h>

namespace vexlane {
namespace {

TEST(AnnouncedNickOf, WordAfterBy) {
  EXPECT_EQ(AnnouncedNickOf("<battlebot> New battle: Pipe12 by Ann"), "Ann");
  EXPECT_EQ(AnnouncedNickOf("<battlebot> BATTLE STARTED BY Bob now"), "Bob");
  EXPECT_EQ(AnnouncedNickOf("battle Pipe by (Cal)"), "Cal");
  EXPECT_EQ(AnnouncedNickOf("battle by @Dee by Eve"), "Dee");
}

TEST(AnnouncedNickOf, UnregisteredPrefixAndLength) {
  EXPECT_EQ(AnnouncedNickOf("battle by Unregistered-Zed"), "Zed");
  EXPECT_EQ(AnnouncedNickOf("battle by Abcdefghijklmnopq"), "Abcdefghijk");
  EXPECT_EQ(AnnouncedNickOf("battle by Unregistered-Abcdefghijklmn"),
            "Abcdefghijk");
}

TEST(AnnouncedNickOf, EmptyWithoutANick) {
  EXPECT_EQ(AnnouncedNickOf("a battle started by"), "");
  EXPECT_EQ(AnnouncedNickOf("a battle started by   "), "");
  EXPECT_EQ(AnnouncedNickOf("a battle nearby Ann"), "");
  EXPECT_EQ(AnnouncedNickOf(""), "");
}

}  // namespace
}  // namespace vexlane

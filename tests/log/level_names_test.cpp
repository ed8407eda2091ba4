#include "log/level_names.h"

#include <gtest/gtest.h>

namespace vexlane {
namespace {

TEST(LevelNameOf, LastPathSegmentOrWordOrNothing) {
  EXPECT_EQ(LevelNameOf("<Ann> http://host.example/levels/Pipe12.LEV"),
            "Pipe12");
  EXPECT_EQ(LevelNameOf("<Ann> try Foo.lev now"), "Foo");
  EXPECT_EQ(LevelNameOf("<Ann> http://x/a/One.lev and http://x/Two.lev"),
            "One");
  EXPECT_EQ(LevelNameOf("Bare.Lev"), "Bare");
  // The later of the last "/" and the last blank wins.
  EXPECT_EQ(LevelNameOf("http://x/dir name/Lev1.lev"), "Lev1");
  EXPECT_EQ(LevelNameOf("see http://x/ab cd.lev"), "cd");
  EXPECT_EQ(LevelNameOf(".lev at the start"), "");
  EXPECT_EQ(LevelNameOf("http://x/"), "");
  EXPECT_EQ(LevelNameOf("no level here .le"), "");
  EXPECT_EQ(FindLevExtension("a.b.LeV"), 3u);
}

TEST(LevelLinkOf, TheWordHoldingTheFirstLev) {
  EXPECT_EQ(
      LevelLinkOf("<Ann> new: http://x/a/One.LEV?dl=1 and http://x/Two.lev"),
      "http://x/a/One.LEV?dl=1");
  EXPECT_EQ(LevelLinkOf("http://x/Bare.lev"), "http://x/Bare.lev");
  EXPECT_EQ(LevelLinkOf("see\thttp://x/T.lev\r"), "http://x/T.lev");
  EXPECT_EQ(LevelLinkOf("no link here"), "");
}

}  // namespace
}  // namespace vexlane

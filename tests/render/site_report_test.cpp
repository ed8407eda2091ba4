// The site's file names and battle pages: names from log text never make a
// path that leaves the site, collide or hide, and the battle pages break
// where a month ends or a page is full.
#include "render/site_report.h"

#include <gtest/gtest.h>

#include <set>

#include "season.h"
#include "test_util.h"

namespace vexlane {
namespace {

using testing::Post;

TEST(SiteReport, FileNamesAreSafeAndUnique) {
  EXPECT_EQ(FileSlug("Ann", "player"), "ann");
  EXPECT_EQ(FileSlug("../../etc/passwd", "player"), "etc-passwd");
  EXPECT_EQ(FileSlug("..", "player"), "player");
  EXPECT_EQ(FileSlug("<>\"'", "level"), "level");
  EXPECT_EQ(FileSlug(std::string(300, 'x'), "player").size(), 40u);
  EXPECT_EQ(FileSlug("CON", "player"), "con-player");
  EXPECT_EQ(FileSlug("Com1", "player"), "com1-player");

  // Nicks that make the same name, of symbols only, and a level spelt in
  // two cases (one level, one page).
  testing::Season s;
  for (const char* level : {"Pipe", "PIPE", "..", "a/b"}) {
    s.Add({Post("Ann!", "1:00,00"), Post("Ann?", "1:01,00"),
           Post("%%%%", "1:02,00"), Post("@@@@", "1:03,00")},
          "", "Ann", level);
  }
  const ExportSettings settings;
  const std::vector<SitePage> pages =
      RenderSite(ExportModel(s.Whole(), settings));
  std::set<std::string> paths;
  for (const SitePage& page : pages) {
    EXPECT_TRUE(paths.insert(page.path).second) << page.path;
    EXPECT_EQ(page.path.find(".."), std::string::npos) << page.path;
    EXPECT_EQ(
        page.path.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-./"),
        std::string::npos)
        << page.path;
  }
  EXPECT_EQ(pages[0].path, "index.html");
  for (const char* path :
       {"players/ann.html", "players/ann-2.html", "players/player.html",
        "players/player-2.html", "levels/pipe.html", "levels/level.html",
        "levels/a-b.html"}) {
    EXPECT_EQ(paths.count(path), 1u) << path;
  }
  EXPECT_EQ(paths.count("levels/pipe-2.html"), 0u);
}

TEST(SiteReport, BattlePagesBreakAtMonthsAndWhenFull) {
  BattleSections sections;
  const auto add = [&sections](std::string date, std::size_t players) {
    FoundBattle b;
    b.level = "Pipe";
    b.date = std::move(date);
    for (std::size_t p = 0; p < players; ++p) {
      b.times.push_back(Post("P" + std::to_string(p), "1:00,00"));
    }
    sections.Add(ScoreBattle(std::move(b), 1));
  };
  for (int i = 0; i < 201; ++i) add("2024-11-01", 2);
  // Crowds, each shown in part, fill pages of their own month.
  for (int i = 0; i < 12; ++i) add("2024-12-01", 2100);
  const auto& pages = sections.pages();
  ASSERT_GE(pages.size(), 4u);
  EXPECT_EQ(pages[0].end - pages[0].first, 200u);
  EXPECT_EQ(pages[1].key, "2024-11");
  EXPECT_EQ(pages[1].end, 201u);
  EXPECT_EQ(pages[2].key, "2024-12");
  EXPECT_EQ(pages.back().end, 213u);
  for (const auto& page : pages) {
    EXPECT_LT(page.body.size(), 3u << 19) << page.first;  // 1.5 MB
  }
}

}  // namespace
}  // namespace vexlane

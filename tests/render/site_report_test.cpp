// The site's file names and battle pages: names from log text never make a
// path that leaves the site, collide or hide, and the battle pages break
// where a month ends or a page is full.
#include "render/site_report.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

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
    sections.Add(ScoreBattle(std::move(b), 1), {});
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

// The pages of a site and the digests their renderer gave them, every
// page made.
struct Digested : PageSink {
  void Add(std::string path, std::string bytes) override {
    const std::lock_guard<std::mutex> hold(mutex);
    pages[path] = std::move(bytes);
  }
  bool Holds(const std::string& path, std::string_view digest) override {
    const std::lock_guard<std::mutex> hold(mutex);
    digests[path] = digest;
    return false;
  }
  std::mutex mutex;
  std::map<std::string, std::string> pages, digests;
};

// A page is only ever skipped where it would be the same: as battles are
// added one by one (records fall, nicks whose names make the same file
// swap places in the standings, a month begins), every page whose digest
// did not change has the same bytes. And most of them keep their digest.
TEST(SiteReport, PagesWithTheSameDigestAreTheSame) {
  testing::Season s;
  const ExportSettings settings;
  const char* nicks[] = {"Ann!", "Ann?", "Bob", "Cal", "@@@@"};
  const char* levels[] = {"Pipe", "PIPE", "Fork", "a/b", "Loop"};
  std::unique_ptr<Digested> before;
  std::size_t kept = 0, compared = 0;
  std::uint32_t seed = 7;
  for (int battle = 0; battle < 40; ++battle) {
    std::vector<TimeEntry> times;
    for (int p = 0; p < 5; ++p) {
      seed = seed * 1103515245u + 12345u;
      if ((seed >> 16) % 4 == 0) continue;
      const std::uint32_t t = 100 + (seed >> 8) % 3000;
      times.push_back(Post(nicks[p], std::to_string(t / 6000) + ":" +
                                         std::to_string(t / 100 % 60 + 10) +
                                         "," + std::to_string(t % 90 + 10)));
    }
    if (times.empty()) continue;
    s.Add(times,
          battle < 25 ? "2024-11-0" + std::to_string(battle % 9 + 1)
                      : "2024-12-01",
          "Ann", levels[(seed >> 4) % 5]);
    auto after = std::make_unique<Digested>();
    RenderSite(ExportModel(s.Whole(), settings), nullptr, after.get());
    ASSERT_FALSE(after->digests.empty());
    for (const auto& [path, digest] : after->digests) {
      if (before == nullptr || before->digests.count(path) == 0) continue;
      ++compared;
      if (before->digests[path] != digest) continue;
      ++kept;
      EXPECT_EQ(before->pages[path], after->pages[path])
          << path << " after battle " << battle;
    }
    before = std::move(after);
  }
  EXPECT_GT(kept, compared / 2);
  EXPECT_LT(kept, compared);
}

// Where a nick, a level or its file's link holds a right-to-left override
// or mark, every page keeps it inside an isolate (<bdi> in text, FSI and
// PDI in a title or a description), so it cannot turn the page's own
// words around it.
TEST(SiteReport, BidiControlsFromTheLogStayIsolated) {
  const std::string rlo = "\xE2\x80\xAE", rlm = "\xE2\x80\x8F";
  const std::string fsi = "\xE2\x81\xA8", pdi = "\xE2\x81\xA9";
  testing::Season s;
  for (int battle = 0; battle < 3; ++battle) {
    s.Add({Post("Evil" + rlo + "nick", "1:00,00"), Post("Ann", "1:01,00"),
           Post("Rtl" + rlm, "1:02,00")},
          "2024-11-0" + std::to_string(battle + 1), "Ann" + rlo,
          "Lev" + rlo + "el");
  }
  const ExportSettings settings;
  std::size_t seen = 0;
  for (const SitePage& page : RenderSite(ExportModel(s.Whole(), settings))) {
    const std::string& t = page.text;
    for (const std::string& control : {rlo, rlm}) {
      for (std::size_t at = t.find(control); at != std::string::npos;
           at = t.find(control, at + 1)) {
        ++seen;
        const std::size_t open = t.rfind("<bdi>", at);
        const std::size_t close = t.rfind("</bdi>", at);
        const std::size_t first = t.rfind(fsi, at), pop = t.rfind(pdi, at);
        const bool in_bdi = open != std::string::npos &&
                            (close == std::string::npos || close < open);
        const bool in_isolate = first != std::string::npos &&
                                (pop == std::string::npos || pop < first);
        EXPECT_TRUE(in_bdi || in_isolate)
            << page.path << ": " << t.substr(at > 60 ? at - 60 : 0, 120);
      }
    }
  }
  EXPECT_GT(seen, 20u);
}

// The user's title is escaped on every page, and the look is in every
// page's digest: a change of title, home page or custom.css alone makes
// every page again.
TEST(SiteReport, TheLookIsEscapedAndInEveryDigest) {
  testing::Season s;
  s.Add({Post("Ann", "1:00,00"), Post("Bob", "1:01,00")}, "2024-11-02", "Ann",
        "Pipe");
  Digested plain;
  RenderSite(ExportModel(s.Whole(), ExportSettings()), nullptr, &plain);
  EXPECT_NE(plain.pages["index.html"].find(
                "<h1>\xE2\x81\xA8#battle statistics\xE2\x81\xA9, <span "
                "class=\"nw\">2024-11-02</span></h1>"),
            std::string::npos);
  ExportSettings looks[3];
  looks[0].title = "<Pit> & \"co\"";
  looks[1].home = "https://example.net/";
  looks[2].custom_css = true;
  for (const ExportSettings& look : looks) {
    Digested changed;
    RenderSite(ExportModel(s.Whole(), look), nullptr, &changed);
    ASSERT_EQ(changed.digests.size(), plain.digests.size());
    for (const auto& [path, digest] : plain.digests) {
      EXPECT_NE(changed.digests[path], digest) << path;
    }
    for (const auto& [path, page] : changed.pages) {
      EXPECT_EQ(page.find("<Pit>"), std::string::npos) << path;
    }
  }
}

// The names the site keeps for itself, whatever their case.
TEST(SiteReport, TheSiteKeepsItsOwnNames) {
  for (const char* name : {"index.html", "INDEX.HTML", "levels-2.html",
                           "Players-12.html", "months.html", "Levels"}) {
    EXPECT_TRUE(IsSiteOwnName(name)) << name;
  }
  for (const char* name : {"custom.css", "index.htm", "levels-.html",
                           "levels-2a.html", "monthsx.html", "index"}) {
    EXPECT_FALSE(IsSiteOwnName(name)) << name;
  }
  // Every page the site makes at its top, and every folder it makes.
  testing::Season s;
  s.Add({Post("Ann", "1:00,00"), Post("Bob", "1:01,00")}, "2024-11-02");
  for (const SitePage& page :
       RenderSite(ExportModel(s.Whole(), ExportSettings()))) {
    EXPECT_TRUE(IsSiteOwnName(page.path.substr(0, page.path.find('/'))))
        << page.path;
  }
}

}  // namespace
}  // namespace vexlane

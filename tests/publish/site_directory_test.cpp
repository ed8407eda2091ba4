// Publishing a site through a file system whose calls a test can make
// fail or interleave with somebody else's: what a reader of the site finds
// at every step, what stays after each failure, and whose files survive.
#include "publish/site_directory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "publish/watched_file_system.h"
#include "test_util.h"

namespace vexlane {
namespace {

using testing::Exists;
using testing::ReadFile;
using testing::TempDir;
using testing::WatchedFileSystem;
using testing::WriteFile;

using Pages = std::map<std::string, std::string>;

SiteRenderer Render(const Pages& pages) {
  return [pages](PageSink* sink) {
    for (const auto& [path, bytes] : pages) sink->Add(path, bytes);
  };
}

ino_t InodeOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Hidden directories beside the site.
std::vector<std::string> Leftovers(const TempDir& dir) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(".vexlane")) found.push_back(name);
  }
  return found;
}

// The hidden directories beside the site are at most one: the older
// version of the site, kept to build the next from, holding nothing but
// its pages and its mark.
void ExpectAtMostTheSpare(const TempDir& dir) {
  const std::vector<std::string> found = Leftovers(dir);
  ASSERT_LE(found.size(), 1u);
  if (found.empty()) return;
  const std::string spare = dir.File(found[0]);
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(spare)) {
    if (entry.is_directory()) continue;
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == ".vexlane-site" || name.ends_with(".html"))
        << entry.path();
  }
}

const Pages kOld = {{"index.html", "old index"},
                    {"players/ann.html", "Ann"},
                    {"players/bob.html", "Bob"}};
const Pages kNew = {{"index.html", "new index"},
                    {"players/ann.html", "Ann"},
                    {"players/cal.html", "Cal"}};

// A rebuild: unchanged pages keep their inode, changed ones are new, gone
// ones go; somebody's file, folder and link stay, and so does a file made
// in the middle of the build; the site never leaves its name.
TEST(PublishSite, RebuildKeepsUnchangedPagesAndOthersFiles) {
  TempDir dir;
  const std::string site = dir.File("site");
  ASSERT_TRUE(PublishSite(Render(kOld), site, false, false).ok);
  WriteFile(site + "/.htaccess", "deny");
  std::filesystem::create_directories(site + "/players/own");
  std::filesystem::create_symlink("index.html", site + "/home.html");
  const ino_t ann = InodeOf(site + "/players/ann.html");
  const ino_t index = InodeOf(site + "/index.html");

  WatchedFileSystem fs(site);
  int writes = 0;
  fs.before = [&](const std::string& call, const std::string&) {
    if (call == "WriteNew" && ++writes == 2) WriteFile(site + "/late.txt", "x");
    return 0;
  };
  const WriteOutcome outcome =
      PublishSite(Render(kNew), site + "/", true, false, fs);
  ASSERT_TRUE(outcome.ok) << outcome.error;
  EXPECT_EQ(outcome.warning, "");
  EXPECT_FALSE(fs.site_went_missing);
  EXPECT_EQ(InodeOf(site + "/players/ann.html"), ann);
  EXPECT_NE(InodeOf(site + "/index.html"), index);
  EXPECT_EQ(ReadFile(site + "/index.html"), "new index");
  EXPECT_EQ(ReadFile(site + "/players/cal.html"), "Cal");
  EXPECT_FALSE(Exists(site + "/players/bob.html"));
  EXPECT_EQ(ReadFile(site + "/.htaccess"), "deny");
  EXPECT_EQ(ReadFile(site + "/late.txt"), "x");
  EXPECT_TRUE(std::filesystem::is_directory(site + "/players/own"));
  EXPECT_EQ(std::filesystem::read_symlink(site + "/home.html"), "index.html");
  ExpectAtMostTheSpare(dir);
  std::vector<std::string> kept = outcome.kept;
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(kept, (std::vector<std::string>{".htaccess", "home.html",
                                            "late.txt", "players/own/"}));
  // The mark names the pages alone: the next build knows them.
  const std::string mark = ReadFile(site + "/.vexlane-site");
  EXPECT_NE(mark.find("players/cal.html\n"), std::string::npos);
  EXPECT_EQ(mark.find(".htaccess"), std::string::npos);
}

// Pages by path: what each is made from (its digest) and its bytes.
using MadePages = std::map<std::string, std::pair<std::string, std::string>>;

// Renders `pages` as a renderer that can tell what each is made from:
// only those the sink does not hold, counted in `*made`.
SiteRenderer RenderMade(const MadePages& pages, int* made) {
  return [pages, made](PageSink* sink) {
    for (const auto& [path, page] : pages) {
      if (sink->Holds(path, page.first)) continue;
      ++*made;
      sink->Add(path, page.second);
    }
  };
}

// A page made from what it was made from before is not made again: the
// first rebuild links it from the live site, the next finds it where it
// builds (the older version kept beside), without a call. A page edited
// by hand since is made again; one no longer made goes from the older
// version too.
TEST(PublishSite, PagesMadeFromTheSameAreNotMadeAgain) {
  TempDir dir;
  const std::string site = dir.File("site");
  MadePages pages = {{"index.html", {"i1", "index 1"}},
                     {"levels/a.html", {"a", "A"}},
                     {"levels/b.html", {"b1", "B 1"}},
                     {"levels/c.html", {"c", "C"}}};
  int made = 0;
  ASSERT_TRUE(PublishSite(RenderMade(pages, &made), site, false, false).ok);
  EXPECT_EQ(made, 4);
  const ino_t a = InodeOf(site + "/levels/a.html");
  pages["index.html"] = {"i2", "index 2"};
  pages["levels/b.html"] = {"b2", "B 2"};
  made = 0;
  ASSERT_TRUE(PublishSite(RenderMade(pages, &made), site, true, false).ok);
  EXPECT_EQ(made, 2);
  EXPECT_EQ(InodeOf(site + "/levels/a.html"), a);
  EXPECT_EQ(ReadFile(site + "/levels/b.html"), "B 2");
  ExpectAtMostTheSpare(dir);
  ASSERT_EQ(Leftovers(dir).size(), 1u);

  // Built in the older version: the unchanged pages need no call at all.
  pages.erase("levels/c.html");
  pages["index.html"] = {"i3", "index 3"};
  WatchedFileSystem fs(site);
  std::vector<std::string> links;
  fs.before = [&](const std::string& call, const std::string& path) {
    if (call == "Link") links.push_back(path);
    return 0;
  };
  made = 0;
  ASSERT_TRUE(PublishSite(RenderMade(pages, &made), site, true, false, fs).ok);
  EXPECT_EQ(made, 1);
  EXPECT_EQ(InodeOf(site + "/levels/a.html"), a);
  EXPECT_EQ(ReadFile(site + "/levels/b.html"), "B 2");
  EXPECT_FALSE(Exists(site + "/levels/c.html"));
  for (const std::string& path : links) {
    EXPECT_EQ(path.find("a.html"), std::string::npos) << path;
  }
  ExpectAtMostTheSpare(dir);

  // Edited in place by hand, even to the same size with its time put
  // back: made again, whatever the mark says.
  const auto written =
      std::filesystem::last_write_time(site + "/levels/a.html");
  WriteFile(site + "/levels/a.html", "Z");
  std::filesystem::last_write_time(site + "/levels/a.html", written);
  made = 0;
  ASSERT_TRUE(PublishSite(RenderMade(pages, &made), site, true, false).ok);
  EXPECT_EQ(made, 1);  // a.html alone
  EXPECT_EQ(ReadFile(site + "/levels/a.html"), "A");
  EXPECT_EQ(ReadFile(site + "/levels/b.html"), "B 2");
}

// The older version kept beside the site is built in only while it holds
// nothing but its pages in their folders, and never through a link: a
// folder of somebody else's in it, or a live site's folder that is a link,
// lends nothing to the new site. A build there that fails is made again in
// a new directory, and what somebody put into the older version stays.
TEST(PublishSite, TheOlderVersionAndLinksLendNothing) {
  TempDir dir;
  const std::string site = dir.File("site");
  int made = 0;
  MadePages pages = {{"index.html", {"i1", "index"}},
                     {"levels/a.html", {"a", "A"}}};
  ASSERT_TRUE(PublishSite(RenderMade(pages, &made), site, false, false).ok);
  ASSERT_TRUE(PublishSite(RenderMade(pages, &made), site, true, false).ok);
  ASSERT_EQ(Leftovers(dir).size(), 1u);
  const std::string older = dir.File(Leftovers(dir)[0]);
  std::filesystem::create_directories(older + "/injected");
  WriteFile(older + "/injected/notes.txt", "mine");
  made = 0;
  ASSERT_TRUE(PublishSite(RenderMade(pages, &made), site, true, false).ok);
  EXPECT_FALSE(Exists(site + "/injected"));
  EXPECT_EQ(ReadFile(older + "/injected/notes.txt"), "mine");  // left there
  std::filesystem::remove_all(older);

  // The live site's folder a link to files elsewhere: never linked from.
  const std::string elsewhere = dir.File("elsewhere");
  std::filesystem::rename(site + "/levels", elsewhere);
  std::filesystem::create_directory_symlink(elsewhere, site + "/levels");
  made = 0;
  ASSERT_TRUE(PublishSite(RenderMade(pages, &made), site, true, false).ok);
  EXPECT_EQ(made, 1);
  EXPECT_NE(InodeOf(site + "/levels/a.html"), InodeOf(elsewhere + "/a.html"));

  // A failure in the older version: built again beside it, its own file
  // kept there.
  ASSERT_EQ(Leftovers(dir).size(), 1u);
  const std::string spare = dir.File(Leftovers(dir)[0]);
  WriteFile(spare + "/notes.txt", "mine");
  pages["levels/a.html"] = {"a2", "A 2"};
  WatchedFileSystem fs(site);
  fs.before = [&](const std::string& call, const std::string& path) {
    return call == "WriteNew" && path.starts_with(spare + "/levels") ? EIO : 0;
  };
  const WriteOutcome outcome =
      PublishSite(RenderMade(pages, &made), site, true, false, fs);
  EXPECT_TRUE(outcome.ok) << outcome.error;
  EXPECT_EQ(ReadFile(site + "/levels/a.html"), "A 2");
  EXPECT_EQ(ReadFile(spare + "/notes.txt"), "mine");
}

// Failures at each step leave the old site whole and nothing beside it.
TEST(PublishSite, FailuresLeaveTheOldSiteWhole) {
  struct Case {
    const char* call;
    int nth;  // which such call fails
    int error;
  };
  for (const Case c :
       {Case{"WriteNew", 3, ENOSPC}, Case{"Exchange", 1, EIO},
        Case{"MakeDirectory", 1, EACCES}, Case{"MakeTemp", 1, EACCES}}) {
    SCOPED_TRACE(c.call);
    TempDir dir;
    const std::string site = dir.File("site");
    ASSERT_TRUE(PublishSite(Render(kOld), site, false, false).ok);
    WatchedFileSystem fs(site);
    int seen = 0;
    fs.before = [&](const std::string& call, const std::string&) {
      return call == c.call && ++seen == c.nth ? c.error : 0;
    };
    const WriteOutcome outcome =
        PublishSite(Render(kNew), site, true, false, fs);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error, std::strerror(c.error));
    EXPECT_EQ(ReadFile(site + "/index.html"), "old index");
    EXPECT_EQ(ReadFile(site + "/players/bob.html"), "Bob");
    EXPECT_TRUE(Leftovers(dir).empty());
  }
}

// Without an exchange the old site is moved aside, then the new one in;
// should that fail, the old one comes back.
TEST(PublishSite, WithoutAnExchangeTheOldSiteMovesAside) {
  TempDir dir;
  const std::string site = dir.File("site");
  ASSERT_TRUE(PublishSite(Render(kOld), site, false, false).ok);
  WatchedFileSystem fs(site);
  int renames = 0;
  bool fail = false;
  fs.before = [&](const std::string& call, const std::string&) {
    if (call == "Exchange") return ENOSYS;
    return fail && call == "Rename" && ++renames == 3 ? EIO : 0;
  };
  ASSERT_TRUE(PublishSite(Render(kNew), site, true, false, fs).ok);
  EXPECT_EQ(ReadFile(site + "/index.html"), "new index");
  ExpectAtMostTheSpare(dir);
  // Built in the older version kept beside: its mark's two renames come
  // first, then the old site's: it fails.
  fail = true;
  const WriteOutcome failed = PublishSite(Render(kOld), site, true, false, fs);
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(ReadFile(site + "/index.html"), "new index");
  EXPECT_TRUE(Leftovers(dir).empty());
}

// What killed runs left beside the site goes: a site never published, and
// the pages of an old one set aside (what else is in it stays there, and
// goes into no site). Leftovers of another site, directories of that kind
// of name without the mark, and lines of a mark that name no page are
// left alone.
TEST(PublishSite, LeftoversOfKilledRunsAreRemoved) {
  TempDir dir;
  const std::string site = dir.File("site");
  ASSERT_TRUE(PublishSite(Render(kOld), site, false, false).ok);
  const std::string head = "A site made by vexlane-stats.\nsite site\n";
  const std::string unfinished = dir.File(".vexlane-site-AAAAAA");
  std::filesystem::create_directories(unfinished + "/players");
  WriteFile(unfinished + "/.vexlane-site", head + "(unfinished)\n");
  WriteFile(unfinished + "/players/x.html", "x");
  const std::string aside = dir.File(".vexlane-site-BBBBBB");
  std::filesystem::create_directories(aside);
  WriteFile(aside + "/.vexlane-site", head + "index.html\nrobots.txt\n");
  WriteFile(aside + "/index.html", "older");
  WriteFile(aside + "/robots.txt", "keep me");
  const std::string other = dir.File(".vexlane-site-DDDDDD");
  std::filesystem::create_directories(other);
  WriteFile(other + "/.vexlane-site",
            "A site made by vexlane-stats.\nsite www\n(unfinished)\n");
  const std::string strange = dir.File(".vexlane-site-CCCCCC");
  std::filesystem::create_directories(strange);
  WriteFile(strange + "/notes.txt", "mine");

  ASSERT_TRUE(PublishSite(Render(kNew), site, true, false).ok);
  EXPECT_FALSE(Exists(unfinished));
  EXPECT_FALSE(Exists(aside + "/index.html"));
  EXPECT_EQ(ReadFile(aside + "/robots.txt"), "keep me");
  EXPECT_FALSE(Exists(site + "/robots.txt"));
  EXPECT_TRUE(Exists(other));
  EXPECT_EQ(ReadFile(strange + "/notes.txt"), "mine");
}

// A mark edited by hand removes nothing that is no page, and a kept folder
// keeps its mode.
TEST(PublishSite, MarkNamesOnlyPagesAndKeptFoldersKeepTheirMode) {
  TempDir dir;
  const std::string site = dir.File("site");
  ASSERT_TRUE(PublishSite(Render(kOld), site, false, false).ok);
  WriteFile(site + "/robots.txt", "mine");
  std::filesystem::create_directories(site + "/private");
  WriteFile(site + "/private/data", "mine");
  std::filesystem::permissions(site + "/private",
                               std::filesystem::perms::owner_all);
  const std::string mark = site + "/.vexlane-site";
  WriteFile(mark, ReadFile(mark) +
                      "robots.txt\nprivate/data\n../x.html\nprivate/x.html\n");
  WriteFile(site + "/private/x.html", "mine");
  ASSERT_TRUE(PublishSite(Render(kNew), site, true, false).ok);
  EXPECT_EQ(ReadFile(site + "/robots.txt"), "mine");
  EXPECT_EQ(ReadFile(site + "/private/data"), "mine");
  EXPECT_EQ(ReadFile(site + "/private/x.html"), "mine");
  EXPECT_EQ(std::filesystem::status(site + "/private").permissions(),
            std::filesystem::perms::owner_all);
  ExpectAtMostTheSpare(dir);
  // A site whose own name is of the hidden kind is no leftover of itself:
  // never built in place, never cleared.
  const std::string hidden = dir.File(".vexlane-site-abcdef");
  ASSERT_TRUE(PublishSite(Render(kOld), hidden, false, false).ok);
  WriteFile(hidden + "/mine.txt", "mine");
  const std::string hidden_mark = ReadFile(hidden + "/.vexlane-site");
  WriteFile(
      hidden + "/.vexlane-site",
      hidden_mark.substr(0, hidden_mark.find('\n', 30) + 1) + "(unfinished)\n");
  ASSERT_TRUE(PublishSite(Render(kNew), hidden, true, false).ok);
  EXPECT_EQ(ReadFile(hidden + "/mine.txt"), "mine");
  EXPECT_EQ(ReadFile(hidden + "/index.html"), "new index");
  // The site's name as given, but for trailing "/" and "/.": a ".." after
  // a link is the system's to resolve.
  EXPECT_EQ(SiteDirectoryName("./site/./"), "site");
  EXPECT_EQ(SiteDirectoryName("lnk/../site"), "lnk/../site");
  EXPECT_EQ(SiteDirectoryName("/"), "/");
}

// Never over what this program did not make, nor through a link; nor over
// anything without `replace`.
TEST(PublishSite, RefusesWhatItDidNotMake) {
  TempDir dir;
  std::filesystem::create_directories(dir.File("mine"));
  WriteFile(dir.File("mine/notes.txt"), "mine");
  EXPECT_EQ(PublishSite(Render(kNew), dir.File("mine"), true, false).error,
            "it is not a site made by this program, so it is not replaced");
  EXPECT_EQ(ReadFile(dir.File("mine/notes.txt")), "mine");
  ASSERT_TRUE(PublishSite(Render(kOld), dir.File("site"), false, false).ok);
  std::filesystem::create_directory_symlink("site", dir.File("link"));
  EXPECT_EQ(PublishSite(Render(kNew), dir.File("link"), true, false).error,
            "it is a symbolic link, which is never followed");
  EXPECT_EQ(PublishSite(Render(kNew), dir.File("site"), false, false).error,
            std::strerror(EEXIST));
  EXPECT_EQ(ReadFile(dir.File("site/index.html")), "old index");
  // A renderer that fails (out of memory) leaves the old site.
  const WriteOutcome failed = PublishSite(
      [](PageSink* sink) {
        sink->Add("index.html", "half");
        throw std::bad_alloc();
      },
      dir.File("site"), true, false);
  EXPECT_EQ(failed.error, "out of memory while rendering the site");
  EXPECT_EQ(ReadFile(dir.File("site/index.html")), "old index");
  EXPECT_EQ(Leftovers(dir).size(), 0u);
}

// The user's files copied into the site's top: listed apart in the mark,
// kept under a second name while unchanged, gone once no longer copied. A
// "copy" line naming anything but a plain top name (edited by hand)
// removes nothing, and a copy of such a name fails the build, the old
// site standing.
TEST(PublishSite, CopiedFilesComeAndGoWithTheSite) {
  TempDir dir;
  const std::string site = dir.File("site");
  const auto with = [](const Pages& copies) -> SiteRenderer {
    return [copies](PageSink* sink) {
      sink->Add("index.html", "index");
      for (const auto& [name, bytes] : copies) sink->AddCopy(name, bytes);
    };
  };
  ASSERT_TRUE(PublishSite(with({{"logo.png", "png"}, {"custom.css", "css"}}),
                          site, false, false)
                  .ok);
  EXPECT_EQ(ReadFile(site + "/logo.png"), "png");
  const std::string mark = site + "/.vexlane-site";
  EXPECT_NE(ReadFile(mark).find("\ncopy custom.css\nindex.html\ncopy "
                                "logo.png\n"),
            std::string::npos);
  WriteFile(mark, ReadFile(mark) + "copy ../outside.txt\ncopy .htaccess\n");
  WriteFile(dir.File("outside.txt"), "mine");
  WriteFile(site + "/.htaccess", "mine");
  const ino_t css = InodeOf(site + "/custom.css");

  ASSERT_TRUE(PublishSite(with({{"custom.css", "css"}}), site, true, false).ok);
  EXPECT_FALSE(Exists(site + "/logo.png"));
  EXPECT_EQ(InodeOf(site + "/custom.css"), css);
  EXPECT_EQ(ReadFile(dir.File("outside.txt")), "mine");
  EXPECT_EQ(ReadFile(site + "/.htaccess"), "mine");

  for (const char* name : {".hidden", "sub/file.css", "a b.txt"}) {
    EXPECT_FALSE(PublishSite(with({{name, "x"}}), site, true, false).ok)
        << name;
    EXPECT_EQ(ReadFile(site + "/custom.css"), "css");
  }
}

// A page or copy whose name the live site gives somebody else's file or
// folder is refused: theirs stays where it is, and so does the old site.
TEST(PublishSite, SomebodysFileIsNeverPushedOutByAPage) {
  TempDir dir;
  const std::string site = dir.File("site");
  ASSERT_TRUE(PublishSite(Render(kOld), site, false, false).ok);
  WriteFile(site + "/robots.txt", "mine");
  std::filesystem::create_directory(site + "/img");
  WriteFile(site + "/img/logo.png", "mine too");
  for (const Pages& clashing :
       {Pages{{"index.html", "new"}, {"robots.txt", "copy"}},
        Pages{{"index.html", "new"}, {"img", "copy"}},
        Pages{{"index.html", "new"}, {"img/logo.png", "page"}}}) {
    const WriteOutcome outcome =
        PublishSite(Render(clashing), site, true, false);
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.error.find("somebody else's"), std::string::npos)
        << outcome.error;
    EXPECT_EQ(ReadFile(site + "/robots.txt"), "mine");
    EXPECT_EQ(ReadFile(site + "/img/logo.png"), "mine too");
    EXPECT_EQ(ReadFile(site + "/index.html"), "old index");
    ExpectAtMostTheSpare(dir);
  }
}

}  // namespace
}  // namespace vexlane

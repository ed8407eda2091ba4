// The channel's look as a user sets it, on the command line or in the
// settings file: the title, the home page and the static folder of the
// site, and every way they are refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/process.h"

namespace vexlane {
namespace {

using testing::Exists;
using testing::Outcome;
using testing::ReadFile;
using testing::RunIn;
using testing::TempDir;
using testing::WriteFile;

const std::string kLog =
    " -q -i '" + std::string(VEXLANE_GOLDEN_DIR) + "/golden.log'";

// A player's page of the site `site`.
std::string PlayerPage(const std::string& site) {
  for (const auto& entry :
       std::filesystem::directory_iterator(site + "/players")) {
    return ReadFile(entry.path().string());
  }
  return "";
}

// By default the pages say nothing of a home page, not even a placeholder.
TEST(Look, TheDefaultsNameNoHome) {
  TempDir dir;
  ASSERT_EQ(RunIn(dir, kLog + " -f site -o site").status, 0);
  const std::string index = ReadFile(dir.File("site/index.html"));
  EXPECT_NE(index.find("<title>#battle statistics</title>"), std::string::npos);
  EXPECT_NE(index.find("<h1>#battle statistics</h1>"), std::string::npos);
  for (const std::string& page : {index, PlayerPage(dir.File("site"))}) {
    EXPECT_EQ(page.find("Newest version"), std::string::npos);
    EXPECT_EQ(page.find("Channel home"), std::string::npos);
    EXPECT_EQ(page.find("custom.css"), std::string::npos);
  }
  ASSERT_EQ(RunIn(dir, kLog + " -f web -o web.html").status, 0);
  const std::string web = ReadFile(dir.File("web.html"));
  EXPECT_EQ(web.find("Newest version"), std::string::npos);
  EXPECT_EQ(web.find("Channel home"), std::string::npos);
  EXPECT_NE(web.find("<h1>#battle statistics</h1>"), std::string::npos);
}

// Title, home and static folder on the command line; the folder read
// again by the next run, a file gone from it gone from the site.
TEST(Look, CommandLineLookAndStaticFiles) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("look"));
  WriteFile(dir.File("look/custom.css"), "h1{color:red}");
  WriteFile(dir.File("look/logo_2.png"), std::string("\x89PNG\0\1", 6));
  const std::string look =
      " -f site -o site --static look --title '<Pit> & co' "
      "--home 'https://example.net/?a=1&b=2'";
  Outcome o = RunIn(dir, kLog + look);
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string index = ReadFile(dir.File("site/index.html"));
  EXPECT_NE(index.find("<h1>&lt;Pit&gt; &amp; co</h1>"), std::string::npos);
  EXPECT_NE(index.find("<link rel=\"stylesheet\" href=\"custom.css\">"),
            std::string::npos);
  EXPECT_NE(index.find("Channel home: <a href=\"https://example.net/"
                       "?a=1&amp;b=2\">https://example.net/?a=1&amp;b=2</a>."),
            std::string::npos);
  const std::string player = PlayerPage(dir.File("site"));
  EXPECT_NE(player.find(" \u2013 &lt;Pit&gt; &amp; co</title>"),
            std::string::npos);
  EXPECT_NE(player.find("<link rel=\"stylesheet\" href=\"../custom.css\">"),
            std::string::npos);
  EXPECT_EQ(ReadFile(dir.File("site/logo_2.png")),
            std::string("\x89PNG\0\1", 6));
  EXPECT_EQ(ReadFile(dir.File("site/custom.css")), "h1{color:red}");

  // Gone from the folder, gone from the site; without custom.css no page
  // links one.
  std::filesystem::remove(dir.File("look/logo_2.png"));
  std::filesystem::remove(dir.File("look/custom.css"));
  o = RunIn(dir, kLog + look + " --force");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_FALSE(Exists(dir.File("site/logo_2.png")));
  EXPECT_FALSE(Exists(dir.File("site/custom.css")));
  EXPECT_EQ(ReadFile(dir.File("site/index.html")).find("custom.css"),
            std::string::npos);

  // The web page takes the title and the home page.
  o = RunIn(dir, kLog +
                     " -f web -o web.html --title 'Pit' --home "
                     "http://example.net");
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string web = ReadFile(dir.File("web.html"));
  EXPECT_NE(web.find("<title>Pit</title>"), std::string::npos);
  EXPECT_NE(web.find("<h1>Pit</h1>"), std::string::npos);
  EXPECT_NE(web.find("<a href=\"http://example.net\">"), std::string::npos);
}

// A static folder the site cannot take stops the run with status 2,
// naming the file and why, before anything is written.
TEST(Look, StaticFoldersTheSiteCannotTake) {
  TempDir dir;
  const std::pair<std::string, std::string> kCases[] = {
      {"sub",
       "a folder: only the files at the top of the static folder are "
       "copied"},
      {"link.css", "a symbolic link, which is never followed"},
      {"index.html", "a name the site gives a page or folder of its own"},
      {"Players-2.html", "a name the site gives a page or folder of its own"},
      {".htaccess",
       "not a plain name (ASCII letters, digits, '-', '_' and "
       "'.', not starting with '.')"},
  };
  for (const auto& [name, why] : kCases) {
    const std::string look = dir.File("look");
    std::filesystem::remove_all(look);
    std::filesystem::create_directory(look);
    WriteFile(look + "/a.css", "fine");
    if (name == "sub") {
      std::filesystem::create_directory(look + "/sub");
    } else if (name == "link.css") {
      std::filesystem::create_symlink(look + "/a.css", look + "/link.css");
    } else {
      WriteFile(look + "/" + name, "x");
    }
    const Outcome o = RunIn(dir, kLog + " -f site -o site --static look");
    EXPECT_EQ(o.status, 2) << name;
    EXPECT_EQ(o.err, "vexlane-stats: 'look/" + name + "': " + why +
                         "; it cannot be copied into the site\n");
    EXPECT_FALSE(Exists(dir.File("site"))) << name;
  }
  Outcome o = RunIn(dir, kLog + " -f site -o site --static missing");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err,
            "vexlane-stats: the static folder 'missing': no such folder\n");
  // Only a site takes files.
  o = RunIn(dir, kLog + " -f web -o web.html --static look");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err.substr(0, o.err.find('\n')),
            "vexlane-stats: '--static' goes with '-f site': only the site "
            "takes files of its own");
  EXPECT_FALSE(Exists(dir.File("web.html")));
}

// Addresses and titles a page cannot show are refused where they were
// given, on the command line or in the settings file.
TEST(Look, BadHomesAndTitlesAreRefused) {
  TempDir dir;
  const std::pair<std::string, std::string> kCases[] = {
      {"--home ftp://example.net",
       "'--home' needs a web address starting with http:// or https://, not "
       "'ftp://example.net'"},
      {"--home https://",
       "'--home' needs a web address starting with "
       "http:// or https://, not 'https://'"},
      {"--home 'https://a b'",
       "'--home' needs a web address starting with "
       "http:// or https://, not 'https://a b'"},
      {"--home javascript:alert",
       "'--home' needs a web address starting "
       "with http:// or https://, not "
       "'javascript:alert'"},
      {"--title \"$(printf 'a\\tb')\"",
       "'--title' must not hold a control character: it is one line of "
       "printable text"},
      {"--title \"$(printf 'caf\\351')\"",
       "'--title' must be UTF-8 text (byte 4 is not)"},
      {"--title ' '", "'--title' must not be blank"},
  };
  for (const auto& [arguments, why] : kCases) {
    const Outcome o = RunIn(dir, kLog + " -f site -o site " + arguments);
    EXPECT_EQ(o.status, 2) << arguments;
    EXPECT_EQ(o.err.substr(0, o.err.find('\n')), "vexlane-stats: " + why)
        << arguments;
  }
  WriteFile(dir.File("s.toml"), "format = \"site\"\nhome = \"www.x.org\"\n");
  const Outcome o = RunIn(dir, kLog + " -o site -c s.toml");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err,
            "s.toml:2:8: 'home' needs a web address starting with http:// or "
            "https://, not 'www.x.org'\n");
  EXPECT_FALSE(Exists(dir.File("site")));
}

// The settings file's keys, and the command line over them.
TEST(Look, TheSettingsFileSetsTheLook) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("look"));
  WriteFile(dir.File("look/custom.css"), "p{}");
  WriteFile(dir.File("s.toml"),
            "format = \"site\"\ntitle = \"#pit \\u00e9t\\u00e9\"\n"
            "home = \"https://pit.example\"\nstatic = \"look\"\n");
  Outcome o = RunIn(dir, kLog + " -o site -c s.toml");
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string index = ReadFile(dir.File("site/index.html"));
  EXPECT_NE(index.find("<h1>#pit \u00e9t\u00e9</h1>"), std::string::npos);
  EXPECT_NE(index.find("<a href=\"https://pit.example\">"), std::string::npos);
  EXPECT_EQ(ReadFile(dir.File("site/custom.css")), "p{}");
  o = RunIn(dir, kLog + " -o site --force -c s.toml --title Other");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(ReadFile(dir.File("site/index.html")).find("<h1>Other</h1>"),
            std::string::npos);
}

}  // namespace
}  // namespace vexlane

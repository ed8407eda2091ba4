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

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The user's title as the pages show it: isolated (FSI ... PDI), so that a
// right-to-left title keeps the words beside it in their order.
std::string Isolate(const std::string& html) {
  return "\xE2\x81\xA8" + html + "\xE2\x81\xA9";
}

// By default no page names a home page, not even a placeholder.
TEST(Look, TheDefaultsNameNoHome) {
  TempDir dir;
  ASSERT_EQ(RunIn(dir, kLog + " -f site -o site").status, 0);
  ASSERT_EQ(RunIn(dir, kLog + " -f web -o web.html").status, 0);
  for (const std::string page : {"site/index.html", "web.html"}) {
    const std::string text = ReadFile(dir.File(page));
    EXPECT_TRUE(Has(text, "<h1>" + Isolate("#battle statistics") + "</h1>"))
        << page;
    EXPECT_FALSE(Has(text, "Newest version") || Has(text, "Channel home"));
  }
}

// Title, home and static folder; the next run reads the folder again, a
// file gone from it gone from the site.
TEST(Look, CommandLineLookAndStaticFiles) {
  TempDir dir;
  std::filesystem::create_directories(dir.File("look"));
  WriteFile(dir.File("look/custom.css"), "h1{color:red}");
  WriteFile(dir.File("look/logo_2.png"), std::string("\x89PNG\0\1", 6));
  const std::string look =
      " -f site -o site --static look --title '<Pit> & co' "
      "--home 'https://example.net/?a=1&b=2'";
  Outcome o = RunIn(dir, kLog + look);
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string index = ReadFile(dir.File("site/index.html"));
  EXPECT_TRUE(Has(index, "<h1>" + Isolate("&lt;Pit&gt; &amp; co") + "</h1>"));
  EXPECT_TRUE(Has(index, "<link rel=\"stylesheet\" href=\"custom.css\">"));
  EXPECT_TRUE(Has(index,
                  "Channel home: <a href=\"https://example.net/"
                  "?a=1&amp;b=2\"><bdi>https://example.net/?a=1&amp;b=2</bdi>"
                  "</a>"));
  EXPECT_TRUE(Has(ReadFile(dir.File("site/levels/pipe.html")),
                  "<link rel=\"stylesheet\" href=\"../custom.css\">"));
  EXPECT_EQ(ReadFile(dir.File("site/logo_2.png")),
            std::string("\x89PNG\0\1", 6));

  std::filesystem::remove(dir.File("look/logo_2.png"));
  std::filesystem::remove(dir.File("look/custom.css"));
  o = RunIn(dir, kLog + look + " --force");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_FALSE(Exists(dir.File("site/logo_2.png")));
  EXPECT_FALSE(Has(ReadFile(dir.File("site/index.html")), "custom.css"));
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
  const Outcome o = RunIn(dir, kLog + " -f web -o web.html --static look");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err.substr(0, o.err.find('\n')),
            "vexlane-stats: '--static' goes with '-f site': only the site "
            "takes files of its own");
}

// Addresses and titles a page cannot show are refused where they were
// given; the settings file's keys set the look, the command line wins.
TEST(Look, TheLookIsCheckedWhereGiven) {
  TempDir dir;
  const std::string kNotWeb =
      "'--home' needs a web address starting with http:// or https://, not ";
  const std::pair<std::string, std::string> kCases[] = {
      {"--home javascript:x", kNotWeb + "'javascript:x'"},
      {"--home https://", kNotWeb + "'https://'"},
      // What a browser reads as another host than the one shown.
      {"--home https://pit.example@evil.example",
       kNotWeb + "'https://pit.example@evil.example'"},
      {"--home 'https://\\evil.example'", kNotWeb + "'https://\\evil.example'"},
      {"--title \"$(printf 'a\342\200\250b')\"",
       "'--title' must not hold a control character: it is one line of "
       "printable text"},
      {"--title \"$(printf '%4097s' | tr ' ' T)\"",
       "'--title' is over 4096 characters"},
      {"--title \"$(printf 'a\\tb')\"",
       "'--title' must not hold a control character: it is one line of "
       "printable text"},
      {"--title \"$(printf 'caf\\351')\"",
       "'--title' must be UTF-8 text (byte 4 is not)"},
  };
  for (const auto& [arguments, why] : kCases) {
    const Outcome o = RunIn(dir, kLog + " -f site -o site " + arguments);
    EXPECT_EQ(o.status, 2) << arguments;
    EXPECT_EQ(o.err.substr(0, o.err.find('\n')), "vexlane-stats: " + why);
  }
  WriteFile(dir.File("bad.toml"), "format = \"site\"\nhome = \"www.x.org\"\n");
  EXPECT_EQ(RunIn(dir, kLog + " -o site -c bad.toml").err,
            "bad.toml:2:8: 'home' needs a web address starting with http:// "
            "or https://, not 'www.x.org'\n");
  std::filesystem::create_directories(dir.File("look"));
  WriteFile(dir.File("look/custom.css"), "p{}");
  WriteFile(dir.File("s.toml"),
            "format = \"site\"\ntitle = \"caf\\u00e9\"\n"
            "home = \"https://pit.example\"\nstatic = \"look\"\n");
  ASSERT_EQ(RunIn(dir, kLog + " -o site -c s.toml --title Pit").status, 0);
  const std::string index = ReadFile(dir.File("site/index.html"));
  EXPECT_TRUE(Has(index, "<h1>" + Isolate("Pit") + "</h1>"));
  EXPECT_TRUE(Has(index, "<a href=\"https://pit.example\">"));
  EXPECT_EQ(ReadFile(dir.File("site/custom.css")), "p{}");
  // The file's static folder is its site's: another format asked on the
  // command line sets it aside; the file's own contradiction is refused.
  const Outcome web = RunIn(dir, kLog + " -f web -o web.html -c s.toml");
  EXPECT_EQ(web.status, 0) << web.err;
  WriteFile(dir.File("w.toml"), "format = \"web\"\nstatic = \"look\"\n");
  EXPECT_EQ(RunIn(dir, kLog + " -o w.html -c w.toml").status, 2);
}

}  // namespace
}  // namespace vexlane

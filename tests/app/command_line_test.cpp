#include "app/command_line.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vexlane {
namespace {

struct Answer {
  std::optional<int> status;
  std::string out;
  std::string err;
};

Answer Handle(const std::vector<std::string_view>& args) {
  std::ostringstream out;
  std::ostringstream err;
  Answer a;
  a.status = HandleCommandLine(args, out, err);
  a.out = out.str();
  a.err = err.str();
  return a;
}

TEST(CommandLine, NoArgumentsRunsTheDialog) {
  Answer a = Handle({});
  EXPECT_FALSE(a.status.has_value());
  EXPECT_EQ(a.out + a.err, "");
}

TEST(CommandLine, Version) {
  Answer a = Handle({"--version"});
  EXPECT_EQ(a.status, 0);
  EXPECT_EQ(a.out, "vexlane-stats 1.9\n");
  EXPECT_EQ(a.err, "");
}

TEST(CommandLine, HelpNamesTheQuestionsFilesAndStatuses) {
  Answer a = Handle({"--help"});
  EXPECT_EQ(a.status, 0);
  EXPECT_EQ(a.err, "");
  EXPECT_EQ(a.out.rfind("Usage: vexlane-stats [--help | --version]\n", 0), 0u);
  for (const char* part : {"#battle.log", "Battle01.txt", "SOURCE_DATE_EPOCH",
                           "extra points", "| vexlane-stats", "Exit status"}) {
    EXPECT_NE(a.out.find(part), std::string::npos) << part;
  }
}

TEST(CommandLine, UnknownOptionsAreUsageErrors) {
  const std::string kTry = "Try 'vexlane-stats --help'.\n";
  Answer a = Handle({"-x"});
  EXPECT_EQ(a.status, 2);
  EXPECT_EQ(a.out, "");
  EXPECT_EQ(a.err, "vexlane-stats: unknown option '-x'\n" + kTry);
  a = Handle({"#battle.log"});
  EXPECT_EQ(a.err, "vexlane-stats: unknown option '#battle.log'\n" + kTry);
  a = Handle({"--help", "--bogus"});
  EXPECT_EQ(a.status, 2);
  EXPECT_EQ(a.err, "vexlane-stats: unknown option '--bogus'\n" + kTry);
}

}  // namespace
}  // namespace vexlane

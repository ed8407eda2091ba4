// Whole reports, byte for byte, for a small log and fixed answers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sstream>

#include "app/run.h"
#include "render/overall_sections.h"
#include "render/report_frame.h"
#include "test_util.h"

namespace vexlane {
namespace {

using testing::Exists;
using testing::ReadFile;
using testing::TempDir;

std::string Golden(const std::string& name) {
  std::string text = ReadFile(std::string(VEXLANE_GOLDEN_DIR) + "/" + name);
  // The footer names the home page this build was configured with.
  const std::string kDefault = "https://vexlane.example.org/";
  for (std::size_t p = text.find(kDefault); p != std::string::npos;
       p = text.find(kDefault, p + 1)) {
    text.replace(p, kDefault.size(), HomePage());
  }
  return text;
}

class ReportGoldenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SOURCE_DATE_EPOCH", "1110013500", 1);  // 5.3.2005 09:05:00 UTC
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }

  // Runs the whole program with `answers` after the extra points and log
  // questions; returns the console output.
  std::string Run(const std::string& answers) {
    const std::string log = std::string(VEXLANE_GOLDEN_DIR) + "/golden.log";
    std::istringstream in("\n" + log + "\n" + answers);
    std::ostringstream out;
    Console console{in, out, false};
    EXPECT_EQ(RunProgram(console, dir_.path()), 0);
    return out.str();
  }

  TempDir dir_;
};

TEST_F(ReportGoldenTest, ComboTextReport) {
  Run("1\n1\n\n\n");
  EXPECT_EQ(ReadFile(dir_.File("Battle01.txt")), Golden("combo.txt"));
}

TEST_F(ReportGoldenTest, StatsKindTextReport) {
  Run("1\n2\n\n\n");
  EXPECT_EQ(ReadFile(dir_.File("Battle01.txt")), Golden("stats.txt"));
}

TEST_F(ReportGoldenTest, HtmlReport) {
  const std::string console = Run("2\n\n\n");
  EXPECT_EQ(ReadFile(dir_.File("Battle01.html")), Golden("auto.html"));
  EXPECT_FALSE(Exists(dir_.File("Battle01.txt")));
  EXPECT_EQ(console.find("Overall scores"), std::string::npos);
}

TEST_F(ReportGoldenTest, HtmlReportLevelByLevelWithReviewEdits) {
  const std::string console =
      Run("2\nPipe\nadd\nEve\n57,00\n\nHill\n3\n\n\n\n");
  EXPECT_EQ(ReadFile(dir_.File("Battle01.html")), Golden("level.html"));
  EXPECT_NE(console.find("Writing to file...\n" + Golden("level_console.txt") +
                         "Output file Battle01.html was made successfully. \n"),
            std::string::npos);
}

}  // namespace
}  // namespace vexlane

#include "render/time_text.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace vexlane {
namespace {

using testing::MakeApples;
using testing::MakeTime;

TEST(TimeColumnText, TimesApplesAndHours) {
  EXPECT_EQ(TimeColumnText(TimeEntry{}), std::string(12, ' '));
  EXPECT_EQ(TimeColumnText(MakeTime(1, 5, 20)), "     1:05,20");
  EXPECT_EQ(TimeColumnText(MakeTime(0, 59, 3)), "     0:59,03");
  EXPECT_EQ(TimeColumnText(MakeTime(60, 0, 0)), "    60:00,00");
  EXPECT_EQ(TimeColumnText(MakeTime(75, 3, 9)), "  1:15:03,09");
  EXPECT_EQ(TimeColumnText(MakeApples(1)), "     1 apple");
  EXPECT_EQ(TimeColumnText(MakeApples(7)), "    7 apples");
  EXPECT_EQ(TimeColumnText(MakeApples(12)), "   12 apples");
}

TEST(DifferenceText, BorrowsAndBlanksForTheWinner) {
  const TimeEntry best = MakeTime(0, 59, 50);
  EXPECT_EQ(DifferenceText(best, best), std::string(8, ' '));
  EXPECT_EQ(DifferenceText(MakeTime(1, 0, 57), best), "+0:01,07");
  EXPECT_EQ(DifferenceText(MakeTime(2, 10, 0), best), "+1:10,50");
  EXPECT_EQ(DifferenceText(MakeApples(3), best), std::string(8, ' '));
  EXPECT_EQ(DifferenceText(MakeTime(1, 0, 0), MakeApples(3)),
            std::string(8, ' '));
}

}  // namespace
}  // namespace vexlane

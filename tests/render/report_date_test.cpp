#include "render/report_date.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace vexlane {
namespace {

TEST(ReportDate, EmptyWhenAFieldIsMissingOrUnknown) {
  EXPECT_EQ(DateFromCtime("Thu Oct  7 20:52:03 2004\n"), "7.10.2004");
  EXPECT_EQ(DateFromCtime("Sat Mzr  5 09:05:00 2005\n"), "");
  EXPECT_EQ(ClockFromCtime("Sat Mzr  5 09:05:00 2005\n"), "09:05:00");
  EXPECT_EQ(DateFromCtime("Sat Mar  5 09:05:00"), "");
  EXPECT_EQ(ClockFromCtime("Sat Mar x 09:05:00 2005"), "");
  EXPECT_EQ(DateFromCtime(""), "");
}

// The reproducible-build clock: SOURCE_DATE_EPOCH pins the report time.
TEST(ReportDate, SourceDateEpochPinsTheTime) {
  setenv("TZ", "UTC", 1);
  tzset();
  setenv("SOURCE_DATE_EPOCH", "1110013500", 1);  // 2005-03-05 09:05:00 UTC
  EXPECT_EQ(DateFromCtime(ReportCtimeText()), "5.3.2005");
  EXPECT_EQ(ClockFromCtime(ReportCtimeText()), "09:05:00");
  setenv("SOURCE_DATE_EPOCH", "not a number", 1);
  EXPECT_NE(DateFromCtime(ReportCtimeText()), "5.3.2005");
  unsetenv("SOURCE_DATE_EPOCH");
  EXPECT_FALSE(ClockFromCtime(ReportCtimeText()).empty());
}

}  // namespace
}  // namespace vexlane

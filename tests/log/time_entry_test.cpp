#include "log/time_entry.h"

#include <gtest/gtest.h>

#include "report/time_text.h"
#include "test_util.h"

namespace vexlane {
namespace {

using testing::MakeApples;
using testing::MakeTime;

// What a log post parses to, written as the report's time column.
std::string Posted(std::string_view message) {
  return TimeColumnText(ParseTime("[21:04:11] <Ann> " + std::string(message),
                                  MessageStart::kAfterMarker));
}

std::string Typed(std::string_view text) {
  return TimeColumnText(ParseTime(text, MessageStart::kTypedAlone));
}

const std::string kNothing(12, ' ');

TEST(ParseTime, DigitCountsDecideTheFields) {
  EXPECT_EQ(Posted("5923"), "     0:59,23");
  EXPECT_EQ(Posted("1:05,00"), "     1:05,00");
  EXPECT_EQ(Posted("1:30,45"), "     1:30,45");
  EXPECT_EQ(Posted("1234"), "     0:12,34");
  EXPECT_EQ(Posted("345"), "     0:03,45");
  EXPECT_EQ(Posted("9999"), "     1:39,99");  // seconds above 59 carry
  EXPECT_EQ(Posted("  1.05.00  "), "     1:05,00");
}

TEST(ParseTime, OutOfRangeTimesAreDropped) {
  EXPECT_EQ(Posted("6:00,00"), kNothing);
  EXPECT_EQ(Posted("0:01,99"), kNothing);
  EXPECT_EQ(Posted("0:02,00"), "     0:02,00");
  EXPECT_EQ(Posted("5:99,99"), kNothing);  // 6:39,99 after the carry
}

TEST(ParseTime, BareNumbersAreApples) {
  EXPECT_EQ(Posted("12"), "   12 apples");
  EXPECT_EQ(Posted("1"), "     1 apple");
  EXPECT_EQ(Posted("12 apples"), kNothing);
  EXPECT_EQ(Posted("50"), "   50 apples");  // the most a level has
  EXPECT_EQ(Posted("51"), kNothing);
  EXPECT_EQ(Posted("0"), kNothing);
  EXPECT_EQ(Posted("1 2"), kNothing);  // a second number is a word
  // Too large to represent: no apples and no wrap-around.
  EXPECT_EQ(Posted("99999999999"), kNothing);
  EXPECT_EQ(Posted("4294967308"), kNothing);
}

TEST(ParseTime, OnlyWhiteSpaceAroundTheDigits) {
  EXPECT_EQ(Posted("my time 1:05,00"), kNothing);
  EXPECT_EQ(Posted("1:05,00 :)"), kNothing);
  EXPECT_EQ(Posted("1:05,00!"), kNothing);
  EXPECT_EQ(Posted("+1:05,00"), kNothing);
}

TEST(ParseTime, DigitWindowOfTwelvePositions) {
  // A 6th digit inside the window: no time, and not a bare apple count.
  EXPECT_EQ(Posted("1:05,001"), kNothing);
  EXPECT_EQ(Posted("1 0 5 0 0 1"), kNothing);
  // A digit beyond the window is text after the last collected digit.
  EXPECT_EQ(Posted("1:05,00     7"), kNothing);
  // Separators between the digits are not checked.
  EXPECT_EQ(Posted("1x05y00"), "     1:05,00");
  // Six digits that read as one integer of 1..50 still give apples.
  EXPECT_EQ(Posted("000012"), "   12 apples");
}

TEST(ParseTime, MessageStartsAfterTheFirstMarker) {
  EXPECT_EQ(TimeColumnText(
                ParseTime("no marker 1:05,00", MessageStart::kAfterMarker)),
            kNothing);
  EXPECT_EQ(TimeColumnText(
                ParseTime("<Ann> <x> 1:05,00", MessageStart::kAfterMarker)),
            kNothing);
  EXPECT_EQ(
      TimeColumnText(ParseTime("<Ann>1:05,00", MessageStart::kAfterMarker)),
      "     1:05,00");
  const TimeEntry e = ParseTime("<Ann> 1:05,00", MessageStart::kAfterMarker);
  EXPECT_TRUE(e.name.empty());
  EXPECT_EQ(e.points, 0u);
}

TEST(ParseTime, TypedAloneReadsFromTheFirstCharacter) {
  EXPECT_EQ(Typed("1:05,00"), "     1:05,00");
  EXPECT_EQ(Typed("59,23"), "     0:59,23");
  EXPECT_EQ(Typed("12"), "   12 apples");
  EXPECT_EQ(Typed("12 apples"), kNothing);
  EXPECT_EQ(Typed(""), kNothing);
}

TEST(ParseTime, NulAndHighBytesAreText) {
  EXPECT_EQ(Posted(std::string("1:05,00\0", 8)), kNothing);
  EXPECT_EQ(Posted("\xB9:05,00"), kNothing);
}

TEST(Better, TimesBeatApplesAndMoreApplesBeatFewer) {
  EXPECT_TRUE(Better(MakeTime(0, 5, 0), MakeTime(0, 5, 1)));
  EXPECT_FALSE(Better(MakeTime(0, 5, 0), MakeTime(0, 5, 0)));
  EXPECT_TRUE(Better(MakeTime(0, 59, 99), MakeTime(1, 0, 0)));
  EXPECT_TRUE(Better(MakeTime(5, 0, 0), MakeApples(50)));
  EXPECT_FALSE(Better(MakeApples(50), MakeTime(5, 0, 0)));
  EXPECT_TRUE(Better(MakeApples(3), MakeApples(2)));
  EXPECT_FALSE(Better(MakeApples(2), MakeApples(2)));
  // An empty entry ranks neither before nor after a time.
  EXPECT_FALSE(Better(MakeTime(1, 0, 0), TimeEntry{}));
  EXPECT_FALSE(Better(TimeEntry{}, MakeTime(1, 0, 0)));
  EXPECT_TRUE(Better(MakeApples(1), TimeEntry{}));
}

TEST(Sum, CarriesAndKeepsTheFirstName) {
  TimeEntry a = MakeTime(0, 59, 60);
  a.name = "Ann";
  a.points = 3;
  TimeEntry b = MakeTime(0, 0, 50);
  b.name = "Bob";
  b.points = 2;
  b.apples = 4;
  const TimeEntry s = Sum(a, b);
  EXPECT_EQ(TimeColumnText(s), "     1:00,10");
  EXPECT_EQ(s.name, "Ann");
  EXPECT_EQ(s.points, 5u);
  EXPECT_EQ(s.apples, 4u);
}

TEST(IsEmpty, IgnoresPointsAndName) {
  TimeEntry e;
  e.points = 4;
  e.name = "Ann";
  EXPECT_TRUE(IsEmpty(e));
  EXPECT_FALSE(IsEmpty(MakeApples(1)));
  EXPECT_FALSE(IsEmpty(MakeTime(0, 0, 1)));
}

}  // namespace
}  // namespace vexlane

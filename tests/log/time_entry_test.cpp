#include "log/time_entry.h"

#include <gtest/gtest.h>

#include "render/time_text.h"
#include "test_util.h"

namespace vexlane {
namespace {

using testing::MakeApples;
using testing::MakeTime;

std::string Column(std::string_view text,
                   MessageStart start = MessageStart::kAfterMarker) {
  return TimeColumnText(ParseTime(text, start));
}

// What a log post parses to, written as the report's time column.
std::string Posted(std::string_view message) {
  return Column("[21:04:11] <Ann> " + std::string(message));
}

const std::string kNothing(12, ' ');

TEST(ParseTime, PostsThatGiveATimeOrApples) {
  const std::pair<std::string, std::string> kCases[] = {
      // The count of digits decides the fields.
      {"5923", "     0:59,23"},
      {"1:05,00", "     1:05,00"},
      {"1:30,45", "     1:30,45"},
      {"1234", "     0:12,34"},
      {"345", "     0:03,45"},
      {"9999", "     1:39,99"},  // seconds above 59 carry
      {"  1.05.00  ", "     1:05,00"},
      {"1x05y00", "     1:05,00"},  // separators are not checked
      {"0:02,00", "     0:02,00"},  // the shortest time
      // A bare number is apples, up to the 50 a level has.
      {"12", "   12 apples"},
      {"1", "     1 apple"},
      {"50", "   50 apples"},
      // Six digits that read as one integer of 1..50 still give apples.
      {"000012", "   12 apples"},
  };
  for (const auto& [message, column] : kCases) {
    EXPECT_EQ(Posted(message), column) << message;
  }
}

TEST(ParseTime, PostsThatGiveNothing) {
  const std::string kMessages[] = {
      // Out of range; 5:99,99 is 6:39,99 after the carry.
      "6:00,00", "0:01,99", "5:99,99", "51", "0",
      // Too large to represent: no apples and no wrap-around.
      "99999999999", "4294967308",
      // Only white space may stand around the digits; a second number is a
      // word.
      "12 apples", "1 2", "my time 1:05,00", "1:05,00 :)", "1:05,00!",
      "+1:05,00",
      // A 6th digit inside the window of twelve positions gives no time and
      // no apples; a digit beyond it is text after the last collected one.
      "1:05,001", "1 0 5 0 0 1", "1:05,00     7",
      // NUL and high bytes are text.
      std::string("1:05,00\0", 8), "\xB9:05,00"};
  for (const std::string& message : kMessages) {
    EXPECT_EQ(Posted(message), kNothing) << message;
  }
}

TEST(ParseTime, MessageStartsAfterTheFirstMarkerOrAtOnceWhenTyped) {
  EXPECT_EQ(Column("no marker 1:05,00"), kNothing);
  EXPECT_EQ(Column("<Ann> <x> 1:05,00"), kNothing);
  EXPECT_EQ(Column("<Ann>1:05,00"), "     1:05,00");
  const TimeEntry e = ParseTime("<Ann> 1:05,00", MessageStart::kAfterMarker);
  EXPECT_TRUE(e.name.empty());
  EXPECT_EQ(e.points, 0u);
  constexpr MessageStart kTyped = MessageStart::kTypedAlone;
  EXPECT_EQ(Column("1:05,00", kTyped), "     1:05,00");
  EXPECT_EQ(Column("12", kTyped), "   12 apples");
  EXPECT_EQ(Column("", kTyped), kNothing);
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

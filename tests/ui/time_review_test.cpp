#include "ui/time_review.h"

#include <gtest/gtest.h>

#include <sstream>

#include "render/time_text.h"
#include "scoring/battle_scoring.h"
#include "test_util.h"

namespace vexlane {
namespace {

using testing::Post;

struct Session {
  std::vector<TimeEntry> times;
  std::string output;
};

Session Review(std::vector<TimeEntry> times, const std::string& input) {
  std::istringstream in(input);
  std::ostringstream out;
  ReviewTimes(&times, in, out);
  return {times, out.str()};
}

std::string Listing(const std::vector<TimeEntry>& times) {
  std::string out;
  for (const TimeEntry& e : times)
    out += e.name + "=" + TimeColumnText(e) + ";";
  return out;
}

const std::vector<TimeEntry> kThree = {
    Post("Ann", "1:00,00"), Post("Bob", "1:01,00"), Post("Cal", "1:02,00")};

constexpr std::string_view kPrompt =
    "If you want to ignore some of them, write the numbers here. \n"
    "To add a time, write 'add'. (each player's last score is counted)\n"
    "At end, push just enter: ";

TEST(ReviewTimes, ShowsTheListAndEndsOnEnter) {
  Session s = Review(kThree, "\n");
  EXPECT_EQ(s.output,
            "The following times were found from the file: \n"
            " 1:    Ann              1:00,00\n"
            " 2:    Bob              1:01,00\n"
            " 3:    Cal              1:02,00\n" +
                std::string(kPrompt));
  EXPECT_EQ(Listing(s.times), Listing(kThree));
}

// Only the first number of a line counts; numbers out of the list and
// words are ignored silently, each non-empty line showing the list again.
TEST(ReviewTimes, RemovesByNumberAndRenumbers) {
  Session s =
      Review(kThree, "1 3\n0\n-1\n3\nx\n   \n99999999999999999999\n2\n\n");
  EXPECT_EQ(Listing(s.times), "Bob=     1:01,00;");
  EXPECT_NE(s.output.find("Times: \n 1:    Bob              1:01,00\n"
                          " 2:    Cal              1:02,00\n"),
            std::string::npos);
  EXPECT_EQ(testing::CountOf(s.output, "Times: \n"), 8u);
  EXPECT_EQ(Listing(Review(kThree, "+2\n\n").times),
            "Ann=     1:00,00;Cal=     1:02,00;");
}

// A name of one to eleven characters; a time asked again until it reads.
TEST(ReviewTimes, AddsATimeTypedByHand) {
  Session s = Review(kThree, "padd\nDee\nfast\n0:01,00\n1:05,00\n\n");
  EXPECT_EQ(Listing(s.times), Listing(kThree) + "Dee=     1:05,00;");
  EXPECT_NE(s.output.find("Give player's name: Give time: Give time: Give "
                          "time: Times: \n"),
            std::string::npos);
  s = Review({}, "ADDRESS\nTwelveChars1\n\n  \nElevenChar1\n12\n\n");
  EXPECT_EQ(Listing(s.times), "ElevenChar1=   12 apples;");
  EXPECT_NE(s.output.find("Give player's name: Player's name too long. \n"
                          "Give player's name: Give player's name: "
                          "Give player's name: Give time: "),
            std::string::npos);
}

TEST(ReviewTimes, EndOfInputEndsTheDialog) {
  EXPECT_EQ(Listing(Review(kThree, "").times), Listing(kThree));
  EXPECT_EQ(Listing(Review(kThree, "1").times), Listing(kThree).substr(17));
  EXPECT_EQ(Listing(Review(kThree, "add\n").times), Listing(kThree));
  EXPECT_EQ(Listing(Review(kThree, "add\nAnn\n").times), Listing(kThree));
  EXPECT_EQ(Listing(Review(kThree, "add\nAnn\nbad\n").times), Listing(kThree));
  // Windows line ends are answers like any other.
  EXPECT_EQ(Listing(Review(kThree, "add\r\nDee\r\n59,23\r\n\r\n").times),
            Listing(kThree) + "Dee=     0:59,23;");
}

// An added time replaces the same player's earlier one when scored.
TEST(ReviewTimes, AddedTimeReplacesThePlayersEarlierOne) {
  Session s = Review(kThree, "add\nAnn\n1:30,00\n\n");
  FoundBattle battle;
  battle.times = s.times;
  EXPECT_EQ(Listing(ScoreBattle(std::move(battle), 1).ranked),
            "Bob=     1:01,00;Cal=     1:02,00;Ann=     1:30,00;");
}

}  // namespace
}  // namespace vexlane

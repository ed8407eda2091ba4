#include "log/line_fields.h"

#include <gtest/gtest.h>

namespace vexlane {
namespace {

TEST(SpeakerOf, StripsModeMarksAndIsEmptyWhenNotASpokenMessage) {
  EXPECT_EQ(SpeakerOf("[21:04:11] <@Ann> 1:05,00"), "Ann");
  EXPECT_EQ(SpeakerOf("[21:04:11] < +Bob_> hi"), "Bob");
  EXPECT_EQ(SpeakerOf("<Ann> <Bob> hi"), "Ann");
  EXPECT_EQ(SpeakerOf("[21:04:11] * Ann waves"), "");
  EXPECT_EQ(SpeakerOf("[21:04:11] -!- Bob is now known as Bobby"), "");
  EXPECT_EQ(SpeakerOf("[21:04:11] > quoted <Ann>"), "");
  EXPECT_EQ(SpeakerOf("only < an opening"), "");
  EXPECT_EQ(SpeakerOf(""), "");
}

// The first word that looks like a stamp, without its brackets.
TEST(TimeStampOf, BracketedAndBareOrNothing) {
  EXPECT_EQ(TimeStampOf("[21:04:11] <@Ann> hi"), "21:04:11");
  EXPECT_EQ(TimeStampOf("21:04:11 <Ann> hi"), "21:04:11");
  EXPECT_EQ(TimeStampOf("\t[21:04:11]\t<Ann>"), "21:04:11");
  // Separators are not checked and anything after the seconds stays.
  EXPECT_EQ(TimeStampOf("21.04.11 x"), "21.04.11");
  EXPECT_EQ(TimeStampOf("[21:04:11.250] x"), "21:04:11.250");
  EXPECT_EQ(TimeStampOf("2004-10-07 <Ann> hi"), "");
  EXPECT_EQ(TimeStampOf("[2004-10-07] [21:04:11] <Ann>"), "21:04:11");
  EXPECT_EQ(TimeStampOf("<Ann> no stamp here"), "");
  EXPECT_EQ(TimeStampOf("[1:04:11] <Ann>"), "");  // too short
  EXPECT_EQ(TimeStampOf("[21:04:1] <Ann>"), "");  // 8 with brackets only
  EXPECT_EQ(TimeStampOf(""), "");
}

}  // namespace
}  // namespace vexlane

#include "base/text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <random>

namespace vexlane {
namespace {

TEST(UpperInto, FoldsOnlyAsciiLetters) {
  const std::string in("ab\0z\x80\xE4\xFF{`@", 10);
  std::string upper;
  UpperInto(in, &upper);
  EXPECT_EQ(upper, std::string("AB\0Z\x80\xE4\xFF{`@", 10));
  std::string reused = "longer text than needed";
  UpperInto("mIx", &reused);
  EXPECT_EQ(reused, "MIX");
}

TEST(IsBlank, EmptyAndWhiteSpaceOnly) {
  EXPECT_TRUE(IsBlank(""));
  EXPECT_TRUE(IsBlank(" \t\r\v\f\n"));
  EXPECT_FALSE(IsBlank(" x "));
  EXPECT_FALSE(IsBlank(std::string_view("\0", 1)));
  EXPECT_FALSE(IsBlank("\xA0"));  // no locale: a high byte is not a blank
}

TEST(StripDecoration, BothEndsButKeepsOneCharacter) {
  EXPECT_EQ(StripDecoration("_-=Ace=-_"), "=Ace=");
  EXPECT_EQ(StripDecoration("**"), "*");
  EXPECT_EQ(StripDecoration("(x)"), "x");
  EXPECT_EQ(StripDecoration("@Bob"), "Bob");
  EXPECT_EQ(StripDecoration("\xB4`Zed'^|"), "Zed");
  EXPECT_EQ(StripDecoration(""), "");
  EXPECT_EQ(StripDecoration("+"), "+");
}

TEST(ReadInt, ReadsLikeScanfDecimal) {
  auto read = [](std::string_view s, int* v) { return ReadInt(&s, v); };
  int v = 0;
  EXPECT_EQ(read("  +7 apples", &v), NumberRead::kOk);
  EXPECT_EQ(v, 7);
  EXPECT_EQ(read("-12x", &v), NumberRead::kOk);
  EXPECT_EQ(v, -12);
  EXPECT_EQ(read("- 7", &v), NumberRead::kNone);
  EXPECT_EQ(read("abc", &v), NumberRead::kNone);
  EXPECT_EQ(read("", &v), NumberRead::kNone);
  EXPECT_EQ(read("2147483647", &v), NumberRead::kOk);
  EXPECT_EQ(v, 2147483647);
  EXPECT_EQ(read("-2147483648", &v), NumberRead::kOk);
  EXPECT_EQ(v, INT32_MIN);
  EXPECT_EQ(read("2147483648", &v), NumberRead::kOutOfRange);
  EXPECT_EQ(read("99999999999999999999999999", &v), NumberRead::kOutOfRange);
  std::string_view rest = " 12 tail";
  EXPECT_EQ(ReadInt(&rest, &v), NumberRead::kOk);
  EXPECT_EQ(rest, " tail");
}

}  // namespace
}  // namespace vexlane

namespace vexlane {
namespace {

TEST(ContainsAnchored, FindsTheWordWhateverTheAnchor) {
  for (std::size_t anchor = 0; anchor < 6; ++anchor) {
    EXPECT_TRUE(ContainsAnchored("NEW BATTLE", "BATTLE", anchor));
    EXPECT_TRUE(ContainsAnchored("BATTLE!", "BATTLE", anchor));
    EXPECT_TRUE(ContainsAnchored("BATTLE", "BATTLE", anchor));
    EXPECT_FALSE(ContainsAnchored("BATTL", "BATTLE", anchor));
    EXPECT_FALSE(ContainsAnchored("BATTLBATTLXE", "BATTLE", anchor));
    EXPECT_TRUE(ContainsAnchored("BBATTLBATTLE", "BATTLE", anchor));
  }
  EXPECT_TRUE(ContainsAnchored("BACKEND", "END", 2));
  EXPECT_FALSE(ContainsAnchored("", "END", 2));
  EXPECT_TRUE(ContainsAnchored(std::string_view("\0.LEV", 5), ".LEV", 0));
}

// Long texts are searched in 1 MiB pieces: a word across a piece's end is
// still found, in any case.
TEST(ContainsIgnoringCase, WordsAcrossPieceEnds) {
  std::string scratch;
  std::string text(3 << 20, 'x');
  EXPECT_FALSE(ContainsIgnoringCase(text, "STOP", 3, &scratch));
  for (std::size_t at : {std::size_t{0}, (std::size_t{1} << 20) - 2,
                         (std::size_t{2} << 20) - 1, text.size() - 4}) {
    std::string t = text;
    t.replace(at, 4, "sToP");
    EXPECT_TRUE(ContainsIgnoringCase(t, "STOP", 3, &scratch)) << at;
  }
}

// Control characters in quoted text cannot drive a terminal.
TEST(Quoted, ControlCharactersAreMadeVisible) {
  EXPECT_EQ(Quoted("a\x1b[2J\x07"
                   "b"),
            "'a\\x1b[2J\\x07b'");
  EXPECT_EQ(VisibleControls(std::string("\0\t\x7f\xc2\x9b\xc3\xa9", 7)),
            "\\x00\\x09\\x7f\\xc2\\x9b\xc3\xa9");
  // A lone C1 byte is a control of an 8-bit terminal; Latin-1 letters stay.
  EXPECT_EQ(VisibleControls("D\x9b"
                            "31m \xe9"),
            "D\\x9b31m \xe9");
}

// The charts' numbers come out as the standard library's fixed format
// writes them, ties, signs and all.
TEST(AppendTenths, AsToCharsWritesThem) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> coordinate(-2000, 2000);
  std::vector<double> values = {0,    -0.0,  0.05,  0.25,     -0.25,
                                0.35, 1.45,  -0.04, 999.95,   1e11,
                                1e13, -1e20, 1e70,  0.1 + 0.2};
  for (int i = 0; i < 100000; ++i) values.push_back(coordinate(random));
  for (int i = 0; i < 2000; ++i) values.push_back(i / 20.0);  // ties
  for (const double v : values) {
    char text[64];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, 1);
    const std::string expected =
        error == std::errc() ? std::string(text, end) : "0.0";
    std::string got = "x";
    AppendTenths(v, &got);
    ASSERT_EQ(got, "x" + expected) << v;
  }
}

// A slip of a word or two is told; a word unlike every candidate is not.
TEST(NearestWord, SlipsOnly) {
  const std::vector<std::string_view> keys = {"force", "format", "log",
                                              "log-format", "since"};
  EXPECT_EQ(NearestWord("forse", keys), "force");
  EXPECT_EQ(NearestWord("FORMAT", keys), "format");
  EXPECT_EQ(NearestWord("logformat", keys), "log-format");
  EXPECT_EQ(NearestWord("lg", keys), "");  // one edit of two letters
  EXPECT_EQ(NearestWord("colour", keys), "");
  EXPECT_EQ(NearestWord("", keys), "");
  EXPECT_EQ(NearestWord(std::string(10000, 'f'), keys), "");
}

}  // namespace
}  // namespace vexlane

#include "base/utf8.h"

#include <gtest/gtest.h>

namespace vexlane {
namespace {

TEST(ToUtf8, KeepsValidUtf8AndReadsTheRestAsWindows1252) {
  EXPECT_EQ(ToUtf8("plain"), "plain");
  EXPECT_EQ(ToUtf8("\xC3\xA9l\xC3\xA8ve \xF0\x9F\x8F\x81"),
            "\xC3\xA9l\xC3\xA8ve \xF0\x9F\x8F\x81");
  EXPECT_EQ(ToUtf8("\xE9l\xE8ve"), "\xC3\xA9l\xC3\xA8ve");
  EXPECT_EQ(ToUtf8("\x80\x9F"), "\xE2\x82\xAC\xC5\xB8");  // euro sign, Y umlaut
  EXPECT_EQ(ToUtf8("\x81"), "\xEF\xBF\xBD");  // unassigned: a C1 control
  // Overlong forms, surrogates, values past U+10FFFF and cut sequences are
  // not UTF-8: each byte is read alone.
  EXPECT_EQ(ToUtf8("\xC0\xAF"), "\xC3\x80\xC2\xAF");
  EXPECT_EQ(ToUtf8("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xE2\x82\xAC");
  EXPECT_EQ(ToUtf8("\xF4\x90\x80\x80"),
            "\xC3\xB4\xEF\xBF\xBD\xE2\x82\xAC\xE2\x82\xAC");
  EXPECT_EQ(ToUtf8("a\xC3"), "a\xC3\x83");
}

// NUL, ESC, DEL and C1 controls (raw or as UTF-8) would be parse errors in
// HTML and terminal commands in a viewer: they become U+FFFD; a tab stays.
TEST(ToUtf8, ControlCharactersBecomeReplacementCharacters) {
  EXPECT_EQ(ToUtf8(std::string("\0a\x1b[2J\x07\x7f\tb", 10)),
            "\xEF\xBF\xBD"
            "a"
            "\xEF\xBF\xBD"
            "[2J"
            "\xEF\xBF\xBD\xEF\xBF\xBD\tb");
  EXPECT_EQ(ToUtf8("\xC2\x9B"
                   "1m \xC2\xA0"),
            "\xEF\xBF\xBD"
            "1m \xC2\xA0");
}

}  // namespace
}  // namespace vexlane

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
  EXPECT_EQ(ToUtf8("\x81"), "\xC2\x81");  // unassigned: the C1 control
  // Overlong forms, surrogates, values past U+10FFFF and cut sequences are
  // not UTF-8: each byte is read alone.
  EXPECT_EQ(ToUtf8("\xC0\xAF"), "\xC3\x80\xC2\xAF");
  EXPECT_EQ(ToUtf8("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xE2\x82\xAC");
  EXPECT_EQ(ToUtf8("\xF4\x90\x80\x80"),
            "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC");
  EXPECT_EQ(ToUtf8("a\xC3"), "a\xC3\x83");
  EXPECT_EQ(ToUtf8(std::string("\0x", 2)), std::string("\0x", 2));
}

}  // namespace
}  // namespace vexlane

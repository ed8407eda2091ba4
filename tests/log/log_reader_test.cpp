#include "log/log_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_util.h"

namespace vexlane {
namespace {

using testing::TempDir;
using testing::WriteFile;

struct Read {
  std::vector<std::string> lines;
  std::string after_end;  // what the failed read at the end leaves
};

Read ReadAll(const std::string& bytes, std::size_t block_size) {
  TempDir dir;
  WriteFile(dir.File("log"), bytes);
  LogReader reader(block_size);
  EXPECT_TRUE(reader.Open(dir.File("log")));
  Read r;
  std::string_view line;
  while (reader.Next(&line)) r.lines.emplace_back(line);
  r.after_end = std::string(line);
  // Reading on after the end changes nothing.
  EXPECT_FALSE(reader.Next(&line));
  EXPECT_EQ(std::string(line), r.after_end);
  return r;
}

using Lines = std::vector<std::string>;

TEST(LogReader, SameLinesWhateverTheBlockSize) {
  const std::string bytes = "first\nsecond line\r\n\nx\r\r\nlast";
  for (std::size_t block : {1, 2, 3, 5, 7, 8, 64, 1 << 16}) {
    Read r = ReadAll(bytes, block);
    EXPECT_EQ(r.lines, (Lines{"first", "second line", "", "x\r", "last"}))
        << block;
    EXPECT_EQ(r.after_end, "last") << block;
  }
}

TEST(LogReader, LineEndAtTheEndLeavesAnEmptyLine) {
  Read r = ReadAll("a\nb\n", 3);
  EXPECT_EQ(r.lines, (Lines{"a", "b"}));
  EXPECT_EQ(r.after_end, "");
}

TEST(LogReader, CrLfSplitAcrossBlocks) {
  // The block of 4 ends with "\r"; the "\n" starts the next one.
  Read r = ReadAll("abc\r\ndef\r\n", 4);
  EXPECT_EQ(r.lines, (Lines{"abc", "def"}));
  // A lone "\r" at the end of the file is kept.
  r = ReadAll("abc\r", 4);
  EXPECT_EQ(r.lines, (Lines{"abc\r"}));
}

TEST(LogReader, LinesLongerThanABlock) {
  const std::string long_line(1000, 'x');
  Read r = ReadAll(long_line + "\n" + long_line + "y", 16);
  EXPECT_EQ(r.lines, (Lines{long_line, long_line + "y"}));
  EXPECT_EQ(r.after_end, long_line + "y");
}

TEST(LogReader, LineExactlyFillingABlock) {
  Read r = ReadAll("1234567\n89", 8);
  EXPECT_EQ(r.lines, (Lines{"1234567", "89"}));
  r = ReadAll("12345678\n", 8);
  EXPECT_EQ(r.lines, (Lines{"12345678"}));
}

TEST(LogReader, NulAndHighBytesAreKept) {
  const std::string bytes("a\0b\n\xFF\x80\0\n", 8);
  Read r = ReadAll(bytes, 3);
  EXPECT_EQ(r.lines,
            (Lines{std::string("a\0b", 3), std::string("\xFF\x80\0", 3)}));
}

TEST(LogReader, EmptyFile) {
  Read r = ReadAll("", 4);
  EXPECT_TRUE(r.lines.empty());
  EXPECT_EQ(r.after_end, "");
}

TEST(LogReader, DirectoriesAndMissingFilesDoNotOpen) {
  TempDir dir;
  LogReader reader;
  EXPECT_FALSE(reader.Open(dir.path()));
  EXPECT_FALSE(reader.Open(dir.File("missing")));
}

TEST(LogReader, ReopenStartsAgain) {
  TempDir dir;
  WriteFile(dir.File("log"), "a\nb");
  LogReader reader(2);
  ASSERT_TRUE(reader.Open(dir.File("log")));
  std::string_view line;
  while (reader.Next(&line)) {
  }
  ASSERT_TRUE(reader.Open(dir.File("log")));
  ASSERT_TRUE(reader.Next(&line));
  EXPECT_EQ(line, "a");
}

}  // namespace
}  // namespace vexlane

#include "log/line_feed.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "log/line_fields.h"

namespace vexlane {
namespace {

// Random logs: speakers or none, dots and "by", CRLF, empty and long lines,
// with or without a last line end.
std::string RandomLog(std::mt19937* random) {
  static const char* const kPieces[] = {"[20:00:00] <Ann> hi",
                                        "[20:00:01] <@Bob> stand by",
                                        "* Cal waves",
                                        "x.lev http://y",
                                        "",
                                        "<>",
                                        "> <Dee> odd",
                                        "\r",
                                        "[20:00:02] <Eve> 1:00,00"};
  std::string log;
  const int lines = static_cast<int>((*random)() % 60);
  for (int i = 0; i < lines; ++i) {
    log += kPieces[(*random)() % 9];
    if ((*random)() % 7 == 0) log += std::string((*random)() % 300, 'z');
    log += (*random)() % 5 == 0 ? "\r\n" : "\n";
  }
  if ((*random)() % 2 == 0) log += "[20:09:00] <Ann> last";
  return log;
}

// The lines of `log` the slow and obvious way: split at "\n", a "\r"
// before it dropped; a last line without a line end counts, and is what
// the end leaves.
std::vector<std::string> SplitLines(const std::string& log, std::string* end) {
  std::vector<std::string> lines;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    if (!in.eof() && !line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  *end = log.empty() || log.back() == '\n' ? "" : lines.back();
  return lines;
}

// The feed hands out every line with the right facts, whatever the block
// size (lines straddling blocks, filling them, CRLF split across them), and
// its plain runs are exactly the plain lines it skips.
TEST(LineFeed, SameLinesWhateverTheBlockSize) {
  std::mt19937 random(3);
  LineReader reader(LogFormat::kClassic);
  for (int round = 0; round < 400; ++round) {
    const std::string log = RandomLog(&random);
    std::string expected_end;
    const std::vector<std::string> expected = SplitLines(log, &expected_end);

    MemorySource b(log);
    // Both ways: on the reading thread, and inline as on one core.
    LineFeed feed(1 + random() % 40, round % 2 == 0);
    feed.Open(&b, &reader);
    LogLine line;
    std::size_t at = 0;
    for (;;) {
      std::size_t count = 0;
      std::string_view speaker;
      if (random() % 2 == 0 && feed.SkipPlainRun(&count, &speaker)) {
        std::string last;
        for (std::size_t k = 0; k < count; ++k, ++at) {
          ASSERT_LT(at, expected.size());
          EXPECT_FALSE(AnchorsOf(expected[at]).dot ||
                       AnchorsOf(expected[at]).by);
          if (!SpeakerOf(expected[at]).empty()) last = SpeakerOf(expected[at]);
        }
        EXPECT_EQ(std::string(speaker), last);
        continue;
      }
      if (!feed.Next(&line)) break;
      ASSERT_LT(at, expected.size()) << round;
      EXPECT_EQ(std::string(line.text), expected[at]);
      EXPECT_EQ(line.speaker, SpeakerOf(expected[at]));
      EXPECT_EQ(line.anchors.dot, AnchorsOf(expected[at]).dot);
      EXPECT_EQ(line.anchors.by, AnchorsOf(expected[at]).by);
      ++at;
    }
    EXPECT_EQ(at, expected.size()) << round;
    EXPECT_EQ(std::string(line.text), expected_end) << round;
  }
}

}  // namespace
}  // namespace vexlane

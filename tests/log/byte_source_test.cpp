#include "log/byte_source.h"

#include <gtest/gtest.h>

#include <string>

#include "test_util.h"

namespace vexlane {
namespace {

// Reads up to `limit` bytes of a pass, `step` bytes at a time.
std::string ReadPass(ByteSource* source, std::size_t step,
                     std::size_t limit = std::string::npos) {
  std::string out;
  std::string error;
  std::string buffer(step, '\0');
  while (out.size() < limit) {
    const std::ptrdiff_t n =
        source->Read(buffer.data(), std::min(step, limit - out.size()), &error);
    if (n <= 0) break;
    out.append(buffer, 0, static_cast<std::size_t>(n));
  }
  return out;
}

// A source that can be opened once and never rewound, like a pipe.
class PipeLike : public MemorySource {
 public:
  using MemorySource::MemorySource;
  bool Open(std::string* error) override {
    if (opens_++ > 0) {
      *error = "opened twice";
      return false;
    }
    return MemorySource::Open(error);
  }
  int opens_ = 0;
};

const std::string kLog = [] {
  std::string log;
  for (int i = 0; i < 500; ++i)
    log += "[20:00:00] <Ann> line " + std::to_string(i) + "\n";
  return log;
}();

// A pipe is opened once. What Peek read ahead is handed out again by the
// scan's Open; a later pass needs a copy. Level by level a pass may stop
// anywhere: the next pass replays the copy and then reads on where the
// first stopped, adding to the copy.
TEST(ReplaySource, PassesOfAPipeReplayWhatWasRead) {
  std::string error;
  PipeLike once(kLog);
  ReplaySource uncopied(&once);
  ASSERT_TRUE(uncopied.Open(&error));
  EXPECT_EQ(uncopied.Peek(100, &error), kLog.substr(0, 100));
  ASSERT_TRUE(uncopied.Open(&error));
  EXPECT_EQ(ReadPass(&uncopied, 7), kLog);
  EXPECT_FALSE(uncopied.Open(&error));
  EXPECT_EQ(error, "it cannot be read twice (a pipe or a device)");

  PipeLike pipe(kLog);
  ReplaySource source(&pipe);
  ASSERT_TRUE(source.Open(&error));
  source.Peek(50, &error);
  ASSERT_TRUE(source.KeepCopy(&error)) << error;
  ASSERT_TRUE(source.Open(&error));
  EXPECT_EQ(ReadPass(&source, 64, 3000), kLog.substr(0, 3000));
  ASSERT_TRUE(source.Open(&error));
  EXPECT_EQ(ReadPass(&source, 1000, 5000), kLog.substr(0, 5000));
  for (int pass = 0; pass < 2; ++pass) {
    ASSERT_TRUE(source.Open(&error));
    EXPECT_EQ(ReadPass(&source, 333), kLog);
  }
  EXPECT_EQ(once.opens_, 1);
  EXPECT_EQ(pipe.opens_, 1);
}

// A regular file is rewound, never copied or opened again.
TEST(ReplaySource, FilesAreRewound) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("log"), kLog);
  FileSource file(dir.File("log"));
  ReplaySource source(&file);
  std::string error;
  ASSERT_TRUE(source.Open(&error));
  EXPECT_TRUE(source.CanRewind());
  source.Peek(10, &error);
  ASSERT_TRUE(source.KeepCopy(&error));
  ASSERT_TRUE(source.Open(&error));
  EXPECT_EQ(ReadPass(&source, 4096, 100), kLog.substr(0, 100));
  std::filesystem::remove(dir.File("log"));  // still open: still readable
  for (int pass = 0; pass < 2; ++pass) {
    ASSERT_TRUE(source.Open(&error));
    EXPECT_EQ(ReadPass(&source, 4096), kLog);
  }
}

}  // namespace
}  // namespace vexlane

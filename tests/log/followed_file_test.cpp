#include "log/followed_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "test_util.h"

namespace vexlane {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

void Append(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

// Writes `bytes` over the file's own bytes at `at`, the file kept (no new
// inode, no truncation), as a writer without O_APPEND does.
void WriteAt(const std::string& path, std::size_t at,
             const std::string& bytes) {
  std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
  f.seekp(static_cast<std::streamoff>(at));
  f << bytes;
}

const std::string kFirst =
    "[20:00:00] <Ann> next: http://x/A.lev\n[20:00:10] <Bob> 1:02,11\n";

// A followed log driven one look at a time: each Look reads what there is
// until the file says it has nothing more, marking where new files begin
// ("|new|") and where the file begun last begins again ("|again|").
class Followed : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(path_, kFirst);
    std::string error;
    ASSERT_TRUE(file_.Open(&error)) << error;
    file_.Follow([] { return false; });
    file_.set_wait_for_tests([] {});
    ASSERT_EQ(Look(), kFirst);
  }

  std::string Look() {
    std::string out;
    std::string error;
    char buffer[64];
    for (;;) {
      const std::ptrdiff_t n = file_.Read(buffer, sizeof buffer, &error);
      if (n == ByteSource::kNothingYet || n == 0) return out;
      if (n < 0) return out + "|error: " + error;
      if (file_.BreakBefore() == LogBreak::kNewFile) out += "|new|";
      if (file_.BreakBefore() == LogBreak::kReadAgain) out += "|again|";
      out.append(buffer, static_cast<std::size_t>(n));
    }
  }

  TempDir dir_;
  std::string path_ = dir_.File("live.log");
  FollowedFile file_{path_};
};

// The last lines of the old file, written just before the rotation, come
// before the new file, and the look ends with "nothing yet" (the publisher
// is told) although the old file was left with no more to read.
TEST_F(Followed, RotationsReadTheOldFileToItsEndThenTheNew) {
  Append(path_, "[20:00:20] <Ann> stop\n");
  std::filesystem::rename(path_, path_ + ".1");
  WriteFile(path_, "");
  EXPECT_EQ(Look(), "[20:00:20] <Ann> stop\n");
  Append(path_, "[21:00:00] <Cal> hi\n");
  EXPECT_EQ(Look(), "|new|[21:00:00] <Cal> hi\n");
  // Removed and made again, the new file already written.
  std::filesystem::remove(path_);
  WriteFile(path_, "[22:00:00] <Dee> hello\n");
  EXPECT_EQ(Look(), "|new|[22:00:00] <Dee> hello\n");
  EXPECT_EQ(Look(), "");
}

// A rotated file removed before its last lines were read (a logrotate
// with no copy kept, or a log cleaner) is still read to its end through the
// open file, then the new one.
TEST_F(Followed, RotatedFileDroppedIsReadToItsEnd) {
  std::string tail;
  for (int i = 0; i < 40; ++i)
    tail += "[20:01:00] <Bob> 0:5" + std::to_string(i % 10) + ",00\n";
  Append(path_, tail);
  std::filesystem::rename(path_, path_ + ".1");
  std::filesystem::remove(path_ + ".1");
  WriteFile(path_, "[21:00:00] <Cal> hi\n");
  EXPECT_EQ(Look(), tail + "|new|[21:00:00] <Cal> hi\n");
  EXPECT_EQ(Look(), "");
}

// copytruncate: the same file cut to nothing and written again, before
// the next look or after it, at its start or (a writer without O_APPEND)
// past a hole of NUL bytes.
TEST_F(Followed, FileCutToNothingAndWrittenAgainIsANewFile) {
  std::filesystem::resize_file(path_, 0);
  EXPECT_EQ(Look(), "");
  Append(path_, "[21:00:00] <Cal> 1\n");
  EXPECT_EQ(Look(), "|new|[21:00:00] <Cal> 1\n");

  const std::string longer =
      "[22:00:00] <Dee> a line longer than all that was read before\n";
  std::filesystem::resize_file(path_, 0);
  Append(path_, longer);
  EXPECT_EQ(Look(), "|new|" + longer);

  std::filesystem::resize_file(path_, 0);
  WriteAt(path_, longer.size(), "[23:00:00] <Eve> 2\n");
  EXPECT_EQ(Look(), "|new|[23:00:00] <Eve> 2\n");
  // Again, the hole longer than 4 KiB: two holes are not the same file.
  std::filesystem::resize_file(path_, 0);
  WriteAt(path_, 5000, "[23:30:00] <Fox> 3\n");
  EXPECT_EQ(Look(), "|new|[23:30:00] <Fox> 3\n");
}

// A file cut short, or changed in place (as sed -i does, through a new
// file; or over its own bytes), begins as it did: read again.
TEST_F(Followed, FileCutOrChangedInPlaceIsReadAgain) {
  const std::string chat = "[20:00:15] <Dee> " + std::string(200, 'x') + "\n" +
                           "[20:00:20] <Cal> hello there\n";
  Append(path_, chat);
  EXPECT_EQ(Look(), chat);
  const std::string whole = ReadFile(path_);

  std::filesystem::resize_file(path_, whole.size() - 10);
  EXPECT_EQ(Look(), "|again|" + whole.substr(0, whole.size() - 10));

  WriteFile(path_ + ".new", whole);
  std::filesystem::rename(path_ + ".new", path_);
  EXPECT_EQ(Look(), "|again|" + whole);

  // Its first line edited through a new file (sed -i 1s/Ann/Anna/): it
  // still ends as it did.
  std::string edited = ReadFile(path_);
  edited.replace(edited.find("Ann"), 3, "Anna");
  WriteFile(path_ + ".new", edited);
  std::filesystem::rename(path_ + ".new", path_);
  EXPECT_EQ(Look(), "|again|" + edited);
  WriteFile(path_ + ".new", whole);
  std::filesystem::rename(path_ + ".new", path_);
  EXPECT_EQ(Look(), "|again|" + whole);

  // A rotation undone: the empty file between tells nothing, and the file
  // back under the name is the one read before.
  std::filesystem::rename(path_, path_ + ".1");
  WriteFile(path_, "");
  EXPECT_EQ(Look(), "");
  std::filesystem::rename(path_ + ".1", path_);
  EXPECT_EQ(Look(), "|again|" + whole);

  WriteAt(path_, whole.size() - 7, "THERE");
  EXPECT_EQ(Look(), "|again|" + ReadFile(path_));
  Append(path_, "[20:00:30] <Ann> stop\n");
  EXPECT_EQ(Look(), "[20:00:30] <Ann> stop\n");
}

// Judged by the first two lines: a new file whose first line is the old
// one's waits for its second line to tell; a cut to nothing stays
// unjudged until a line of the new log comes.
TEST_F(Followed, NewFileIsJudgedByItsFirstTwoLines) {
  WriteFile(path_ + ".new", "[20:00:00] <Ann> next: http://x/A.lev\n");
  std::filesystem::rename(path_ + ".new", path_);
  EXPECT_EQ(Look(), "");
  Append(path_, "[20:05:00] <Dee> 0:58,00\n");
  EXPECT_EQ(Look(),
            "|new|[20:00:00] <Ann> next: http://x/A.lev\n"
            "[20:05:00] <Dee> 0:58,00\n");
  // The same two first lines (a header without a date), then a new day
  // shorter than the old one: a new file all the same.
  const std::string head = ReadFile(path_);
  const std::string day = "[20:06:00] <Ann> " + std::string(300, 'x') + "\n";
  Append(path_, day);
  EXPECT_EQ(Look(), day);
  std::filesystem::rename(path_, path_ + ".2");
  WriteFile(path_, head + "[21:00:00] <Eve> hi\n");
  EXPECT_EQ(Look(), "|new|" + head + "[21:00:00] <Eve> hi\n");
  // What is held unjudged when the following ends goes out, as a new
  // file's: nothing read is taken back.
  std::filesystem::resize_file(path_, 0);
  Append(path_, "[20:00:00] <Ann>");
  EXPECT_EQ(Look(), "");
  file_.EndWaiting();
  EXPECT_EQ(Look(), "|new|[20:00:00] <Ann>");
}

// A FIFO or a directory under the name is passed over, told once while it
// stands; the old file is read on, and the next regular file taken (even
// on the inode the FIFO had).
TEST_F(Followed, OnlyRegularFilesAreTaken) {
  std::filesystem::rename(path_, path_ + ".1");
  ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0);
  EXPECT_EQ(Look(), "");
  Append(path_ + ".1", "[20:00:20] <Ann> stop\n");
  EXPECT_EQ(Look(), "[20:00:20] <Ann> stop\n");
  EXPECT_EQ(file_.TakeNotices(),
            std::vector<std::string>{
                "'" + path_ +
                "' names a FIFO, not a regular file: it is passed over while "
                "it stands there, and the file read before is read on"});
  std::filesystem::remove(path_);
  std::filesystem::create_directory(path_);
  EXPECT_EQ(Look(), "");
  EXPECT_EQ(file_.TakeNotices().size(), 1U);
  EXPECT_EQ(Look(), "");
  EXPECT_TRUE(file_.TakeNotices().empty());
  std::filesystem::remove(path_);
  WriteFile(path_, "[21:00:00] <Cal> hi\n");
  EXPECT_EQ(Look(), "|new|[21:00:00] <Cal> hi\n");

  // Followed from the start, a FIFO is refused at once, never waited on.
  const std::string fifo = dir_.File("fifo.log");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  FollowedFile other(fifo);
  std::string error;
  EXPECT_FALSE(other.Open(&error));
  EXPECT_EQ(error, "it is a FIFO, and only a regular file can be followed");
}

// A symbolic link is followed to its file: the target rotated is the log
// rotated.
TEST(FollowedLink, TargetRotatedIsTheLogRotated) {
  TempDir dir;
  const std::string target = dir.File("a1.log");
  WriteFile(target, kFirst);
  std::filesystem::create_symlink("a1.log", dir.File("live.log"));
  FollowedFile file(dir.File("live.log"));
  std::string error;
  ASSERT_TRUE(file.Open(&error));
  file.Follow([] { return false; });
  file.set_wait_for_tests([] {});
  char buffer[256];
  EXPECT_EQ(file.Read(buffer, sizeof buffer, &error),
            static_cast<std::ptrdiff_t>(kFirst.size()));
  std::filesystem::rename(target, target + ".1");
  WriteFile(target, "[21:00:00] <Cal> hi\n");
  EXPECT_EQ(file.Read(buffer, sizeof buffer, &error), 20);
  EXPECT_EQ(file.BreakBefore(), LogBreak::kNewFile);
}

}  // namespace
}  // namespace vexlane

#include "log/followed_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

#include "base/text.h"

namespace vexlane {

namespace {

// How much of the start and of the end of what was read tells a file.
constexpr std::size_t kFingerprintBytes = 4096;
// The most a judged file is read ahead at a time.
constexpr std::size_t kJudgeBlock = 1 << 16;

// Up to `size` bytes of `file` from its offset `at` into `*bytes` (fewer
// at its end); false when they cannot be read. The file's position is the
// caller's to set again.
bool ReadAt(std::FILE* file, std::uint64_t at, std::size_t size,
            std::string* bytes) {
  if (!SeekStream(file, at)) return false;
  bytes->resize(size);
  std::clearerr(file);
  bytes->resize(std::fread(bytes->data(), 1, size, file));
  return std::ferror(file) == 0;
}

// Whether the file at its offset `at` no longer holds `expected`. A file
// that cannot be read there is taken as unchanged (a passing fault); one
// too short is changed.
bool Differs(std::FILE* file, std::uint64_t at, const std::string& expected,
             std::string* scratch) {
  return !expected.empty() && ReadAt(file, at, expected.size(), scratch) &&
         *scratch != expected;
}

}  // namespace

void FollowedFile::Fingerprint::Add(const char* bytes, std::size_t n) {
  std::size_t skip = 0;
  if (head.empty()) {
    // A hole a writer left at the start is no part of what tells the file.
    while (skip < n && bytes[skip] == '\0') ++skip;
    hole += skip;
  }
  if (head.size() < kFingerprintBytes) {
    head.append(bytes + skip,
                std::min(n - skip, kFingerprintBytes - head.size()));
  }
  if (n >= kFingerprintBytes) {
    tail.assign(bytes + n - kFingerprintBytes, kFingerprintBytes);
    return;
  }
  const std::size_t keep = std::min(tail.size(), kFingerprintBytes - n);
  tail.erase(0, tail.size() - keep);
  tail.append(bytes, n);
}

bool FollowedFile::Open(std::string* error) {
  Close();
  std::string why;
  bool not_regular = false;
  file_ = OpenRegularFile(path_, &why, &not_regular);
  if (file_ == nullptr) {
    *error = not_regular
                 ? "it is " + why + ", and only a regular file can be followed"
                 : why;
    return false;
  }
  newest_ = IdOfStream(file_);
  skipped_ = FileId{};
  skipped_kind_.clear();
  position_ = 0;
  read_.Clear();
  judging_ = false;
  held_.clear();
  held_out_ = 0;
  decided_ = LogBreak::kNone;
  skip_nuls_ = false;
  told_nothing_ = false;
  at_end_ = false;
  return true;
}

void FollowedFile::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  for (std::FILE* file : pending_) std::fclose(file);
  pending_.clear();
}

void FollowedFile::Follow(std::function<bool()> stop) {
  stop_ = std::move(stop);
  stop_seen_.reset();
  following_ = true;
  ended_ = false;
  ResumeFileWaits();  // `stop` is asked before every wait
  wait_.Watch(path_);
}

void FollowedFile::EndWaiting() {
  ended_ = true;
  InterruptFileWaits();
}

std::vector<std::string> FollowedFile::TakeNotices() {
  std::lock_guard<std::mutex> lock(notices_mutex_);
  return std::exchange(notices_, {});
}

void FollowedFile::Notice(const std::string& text) {
  std::lock_guard<std::mutex> lock(notices_mutex_);
  notices_.push_back(text);
}

void FollowedFile::LookForNewFile() {
  // While the name names nothing (between a rename and the new file), or
  // nothing that can be read, the files already open are read on.
  const FileId named = IdOfPath(path_);
  if (!named.known || named == newest_) return;
  std::string why;
  bool not_regular = false;
  std::FILE* next = OpenRegularFile(path_, &why, &not_regular);
  if (next == nullptr) {
    // Told once while it stands (a freed inode is soon another's: what it
    // is tells them apart too); a file that cannot be opened is tried
    // again at each look.
    if (!(named == skipped_ && why == skipped_kind_)) {
      skipped_ = named;
      skipped_kind_ = why;
      Notice(not_regular
                 ? Quoted(path_) + " names " + why +
                       ", not a regular file: it is passed over while it "
                       "stands there, and the file read before is read on"
                 : "the new " + Quoted(path_) + " cannot be read (" + why +
                       "): the file read before is read on until it can");
    }
    return;
  }
  skipped_ = FileId{};
  skipped_kind_.clear();
  const FileId opened = IdOfStream(next);  // the name may have moved on
  if (opened == newest_) {
    std::fclose(next);
    return;
  }
  pending_.push_back(next);
  newest_ = opened;
  wait_.Watch(path_);  // the file waited on, once the others are read
}

bool FollowedFile::Rewritten(bool tail_too) {
  const std::int64_t size = SizeOfStream(file_);
  if (size >= 0 && static_cast<std::uint64_t>(size) < position_) return true;
  if (position_ == 0) return false;
  // Grown or not, it must still begin (and, after its end was reached,
  // end) with what was read: a copytruncate during a long read shows at
  // the next block.
  std::string scratch;
  const bool changed =
      Differs(file_, read_.hole, read_.head, &scratch) ||
      (tail_too &&
       Differs(file_, position_ - read_.tail.size(), read_.tail, &scratch));
  SeekStream(file_, position_);
  return changed;
}

void FollowedFile::StartJudging(std::FILE* file) {
  judging_same_ = file == file_;
  if (file != file_) {
    std::fclose(file_);
    file_ = file;
  }
  // A file that gave nothing (made and left empty) tells nothing: the
  // one before it is still what a file read again would begin with.
  if (!read_.head.empty()) {
    reference_ = read_.head;
    reference_tail_ = read_.tail;
    reference_end_ = position_;
  }
  FromItsStart();
  held_out_ = 0;
  skip_nuls_ = false;
  judging_ = true;
  if (reference_.empty()) Decide(LogBreak::kNewFile);
}

void FollowedFile::FromItsStart() {
  SeekStream(file_, 0);
  position_ = 0;
  read_.Clear();
  held_.clear();
}

bool FollowedFile::HoldsTheOldEnd() {
  // The last bytes read (the second half of a small file, so that an edit
  // of its first lines is no part of them), found where they were, give or
  // take what an edit adds or takes away: a quarter of the file at most,
  // so that a new log beginning with a replay of the old one's last lines
  // is no edit of it.
  constexpr std::size_t kTelling = 128;  // fewer bytes could match by chance
  const std::size_t length = static_cast<std::size_t>(
      std::min<std::uint64_t>(reference_tail_.size(), reference_end_ / 2));
  if (length < kTelling) return false;
  const std::uint64_t shift =
      std::min<std::uint64_t>(std::uint64_t{1} << 16, reference_end_ / 4);
  const std::string_view end =
      std::string_view(reference_tail_).substr(reference_tail_.size() - length);
  const std::uint64_t from = reference_end_ - length - shift;
  std::string window;
  const bool found =
      ReadAt(file_, from,
             static_cast<std::size_t>(reference_end_ + shift - from),
             &window) &&
      window.find(end) != std::string::npos;
  SeekStream(file_, position_);
  return found;
}

void FollowedFile::Judge(bool at_end) {
  // Its first three lines tell a log: they carry the time they were
  // written, so a new log begins otherwise (past a header of two lines
  // without a date, which every day's log may begin with).
  std::size_t telling = 0;
  for (int line = 0; line < 3 && telling < reference_.size(); ++line) {
    const std::size_t end = reference_.find('\n', telling);
    telling = end == std::string::npos ? reference_.size() : end + 1;
  }
  const std::size_t within = std::min(held_.size(), reference_.size());
  std::size_t common = 0;
  while (common < within && held_[common] == reference_[common]) ++common;
  // A file changed in place ends as the file read before did (an edit of
  // its first lines), or holds nearly as much (an edit further on).
  // (Looked for again as the file grows: it may be being written anew.)
  if ((common < within || held_.size() >= telling || at_end) &&
      HoldsTheOldEnd()) {
    return Decide(LogBreak::kReadAgain);
  }
  const std::int64_t size = SizeOfStream(file_);
  const bool most =
      size >= 0 && 10 * static_cast<std::uint64_t>(size) >= 9 * reference_end_;
  if (common < within || held_.size() >= reference_.size()) {
    // Past its first lines (or all of its first 4 KiB) as the file read
    // before began, and nearly as large: that file edited further on. A
    // new log beginning as the old one did (a header, lines without a
    // date) is smaller.
    Decide(common >= telling && most ? LogBreak::kReadAgain
                                     : LogBreak::kNewFile);
  } else if (judging_same_ && at_end && most &&
             held_.find('\n') != std::string::npos) {
    // The file read before cut a little, to whole lines of what it began
    // with (a header alone is no such cut).
    Decide(LogBreak::kReadAgain);
  }
  // Otherwise the start of what the file before began with: more must
  // come to tell.
}

void FollowedFile::Decide(LogBreak how) {
  judging_ = false;
  decided_ = how;
  skip_nuls_ = how == LogBreak::kNewFile;
  held_out_ = 0;
}

std::size_t FollowedFile::FromHeld(char* buffer, std::size_t size) {
  if (skip_nuls_) {
    while (held_out_ < held_.size() && held_[held_out_] == '\0') ++held_out_;
    skip_nuls_ = held_out_ == held_.size();
  }
  const std::size_t n = std::min(size, held_.size() - held_out_);
  std::memcpy(buffer, held_.data() + held_out_, n);
  held_out_ += n;
  if (held_out_ == held_.size()) {
    held_.clear();
    held_out_ = 0;
  }
  return n;
}

void FollowedFile::Wait() {
  if (wait_for_tests_) {
    wait_for_tests_();
    return;
  }
  wait_.Wait();
  // Whatever ended the wait is heard below (a stop is asked, the end was
  // asked): the waits may wait again.
  ResumeFileWaits();
}

bool FollowedFile::StopIsDue() {
  // What the log holds when the end is asked is read, unless that takes
  // long (a large log at the start): the program ends within a second.
  constexpr auto kGrace = std::chrono::milliseconds(500);
  if (!ended_ && !(stop_ && stop_())) return false;
  const auto now = std::chrono::steady_clock::now();
  if (!stop_seen_) stop_seen_ = now;
  return now - *stop_seen_ > kGrace;
}

void FollowedFile::Look() {
  LookForNewFile();  // a stat for each block read
  if (Rewritten(/*tail_too=*/at_end_ && !judging_)) {
    if (judging_) {
      FromItsStart();  // written anew again while judged
    } else {
      StartJudging(file_);
    }
  }
  at_end_ = false;
}

FollowedFile::Block FollowedFile::FromFile(char* buffer, std::size_t size,
                                           std::size_t* n, std::string* error) {
  char* into = buffer;
  std::size_t room = size;
  if (judging_) {
    room = std::min(size, kJudgeBlock);
    held_.resize(held_.size() + room);
    into = held_.data() + held_.size() - room;
  }
  std::clearerr(file_);  // the end of the file is no longer final
  errno = 0;
  *n = std::fread(into, 1, room, file_);
  if (judging_) held_.resize(held_.size() - room + *n);
  if (*n == 0) {
    if (std::ferror(file_) == 0) return Block::kEnd;
    *error = errno != 0 ? std::strerror(errno) : "read error";
    return Block::kError;
  }
  position_ += *n;
  read_.Add(into, *n);
  if (judging_) {
    // A hole at the start is neither judged nor kept.
    const std::size_t first = held_.find_first_not_of('\0');
    held_.erase(0, first == std::string::npos ? held_.size() : first);
    Judge(/*at_end=*/false);
    return Block::kTaken;
  }
  if (skip_nuls_) {
    const char* end = buffer + *n;
    const char* first = std::find_if(static_cast<const char*>(buffer), end,
                                     [](char c) { return c != 0; });
    if (first == end) return Block::kTaken;  // all of it the hole
    *n = static_cast<std::size_t>(end - first);
    std::memmove(buffer, first, *n);
    skip_nuls_ = false;
  }
  return Block::kOut;
}

bool FollowedFile::AtEnd(std::ptrdiff_t* result) {
  // Whatever comes next may come after the file was written anew.
  at_end_ = true;
  const bool ending = ended_ || (stop_ && stop_());
  if (judging_) {
    Judge(/*at_end=*/true);
    // A file left behind, or the end of the following: what it holds is a
    // new file's, so that nothing read is taken back.
    if (judging_ && (!pending_.empty() || ending)) Decide(LogBreak::kNewFile);
    if (!judging_) return true;
  }
  if (following_ && !pending_.empty()) {
    // The old file has been read to its end: on with the next one.
    std::FILE* next = pending_.front();
    pending_.pop_front();
    StartJudging(next);
    return true;
  }
  if (!following_ || ending) {
    *result = 0;
    return false;
  }
  if (!told_nothing_) {
    told_nothing_ = true;
    *result = kNothingYet;
    return false;
  }
  Wait();
  told_nothing_ = false;
  return true;
}

std::ptrdiff_t FollowedFile::Read(char* buffer, std::size_t size,
                                  std::string* error) {
  break_ = LogBreak::kNone;
  if (file_ == nullptr) return 0;
  for (;;) {
    std::size_t n = 0;
    Block block = Block::kOut;
    if (!judging_ && !held_.empty()) {
      n = FromHeld(buffer, size);  // 0 when a hole of NUL bytes was passed
    } else if (following_ && StopIsDue()) {
      block = Block::kEnd;  // what is not read yet stays so
    } else {
      if (following_) Look();
      block = FromFile(buffer, size, &n, error);
    }
    if (block == Block::kError) return -1;
    if (block == Block::kOut && n > 0) {
      break_ = std::exchange(decided_, LogBreak::kNone);
      told_nothing_ = false;
      return static_cast<std::ptrdiff_t>(n);
    }
    std::ptrdiff_t result = 0;
    if (block == Block::kEnd && !AtEnd(&result)) return result;
  }
}

}  // namespace vexlane

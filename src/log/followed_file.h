// A log the IRC client is still writing, for follow mode: read like a
// FileSource until Follow is called; from then on a Read at the end of the
// file waits until the client writes more, and follows the log through
// its rotation, truncation and changes in place.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/platform.h"
#include "log/byte_source.h"

namespace vexlane {

class FollowedFile : public ByteSource {
 public:
  explicit FollowedFile(std::string path) : path_(std::move(path)) {}
  ~FollowedFile() override { Close(); }
  FollowedFile(const FollowedFile&) = delete;
  FollowedFile& operator=(const FollowedFile&) = delete;

  // Opens the regular file the name names (a FIFO or a device is refused).
  bool Open(std::string* error) override;
  // Once following, returns kNothingYet when every byte written so far has
  // been handed out, then waits until bytes arrive; returns 0 only when the
  // wait was ended (EndWaiting, or `stop` given to Follow says so) and
  // every byte there is has been read (or half a second has passed since).
  //
  // Which file is the log: the file being read is known by its identity
  // (it survives a rename) and by a fingerprint of what was read from it
  // (its first and its last 4 KiB). A new file under the name is read after
  // the old one has been read to its end; the old file grown smaller, or
  // not holding what was read any more, is read again from its start. A
  // file read from its start is judged against the file read before it.
  // It is that file changed in place or cut (kReadAgain: it replaces what
  // that file gave) when it holds that file's last 4 KiB (of a small file,
  // its second half) near where they were (shifted by a quarter of the
  // file, 64 KiB at most: an edit of its first lines); or when it is nearly
  // as large (nine tenths) and begins with that file's first three lines
  // (an edit further on), or, the same file, with whole lines of them and
  // then its end (a small cut). Otherwise it is a new file of the log
  // (kNewFile: a rotation or a copytruncate, even with the same header
  // lines, or the same first 4 KiB of lines without a date), its leading
  // NUL bytes (a hole a writer left) skipped. Only regular files are read:
  // anything else under the name is passed over while it stands there
  // (TakeNotices tells of it).
  std::ptrdiff_t Read(char* buffer, std::size_t size,
                      std::string* error) override;
  void Close() override;
  const std::string& Name() const override { return path_; }
  LogBreak BreakBefore() const override { return break_; }
  void EndWaiting() override;

  // From now on Read waits at the end, until `stop` returns true (it is
  // asked after each wake) or EndWaiting is called.
  void Follow(std::function<bool()> stop);
  // Empty when the system tells of changes; otherwise why it polls.
  const std::string& why_polling() const { return wait_.why_polling(); }
  // What was passed over since the last call, one line each ("it names a
  // FIFO"), each said once while it stands. Safe from any thread.
  std::vector<std::string> TakeNotices();

  // For tests: replaces the wait for a change, so that each Read after
  // kNothingYet looks at the name and the file once more, step by step.
  void set_wait_for_tests(std::function<void()> wait) {
    wait_for_tests_ = std::move(wait);
  }

 private:
  // What was read of the file being read: its first bytes (after a hole
  // of NUL bytes a writer left at its start) and its last bytes.
  struct Fingerprint {
    std::uint64_t hole = 0;
    std::string head;
    std::string tail;
    void Clear() {
      hole = 0;
      head.clear();
      tail.clear();
    }
    void Add(const char* bytes, std::size_t n);
  };

  // What a read of the file being read came to: bytes to hand out, bytes
  // taken (held to be judged, or a hole passed over), its end, an error.
  enum class Block { kOut, kTaken, kEnd, kError };
  Block FromFile(char* buffer, std::size_t size, std::size_t* n,
                 std::string* error);
  // At the end of the file being read: false when Read returns `*result`
  // (its end, or kNothingYet), true to read on (after a wait, or from the
  // next file).
  bool AtEnd(std::ptrdiff_t* result);
  // Looks at the name and into the file before a block is read.
  void Look();
  // Whether the end was asked long enough ago to end a read before the
  // file's end.
  bool StopIsDue();
  // Opens the file the name names now when it is a new regular one, to be
  // read after those before it.
  void LookForNewFile();
  // True when the file being read no longer holds what was read from it:
  // it is shorter, or does not begin (or, `tail_too`, end) with it.
  bool Rewritten(bool tail_too);
  // Reads `*file` from its start, to be judged against what was read from
  // the file before it.
  void StartJudging(std::FILE* file);
  // Reads file_ again from its first byte, forgetting what was read of it.
  void FromItsStart();
  // Decides what the bytes held so far begin, once they tell.
  void Judge(bool at_end);
  // Whether the file judged holds the last bytes read from the file before
  // near where they were.
  bool HoldsTheOldEnd();
  void Decide(LogBreak how);
  // Hands out held bytes; their count.
  std::size_t FromHeld(char* buffer, std::size_t size);
  void Notice(const std::string& text);
  void Wait();

  std::string path_;
  std::FILE* file_ = nullptr;
  std::uint64_t position_ = 0;  // bytes of file_ read
  Fingerprint read_;            // of file_
  // The files the name has named since file_, oldest first, each opened
  // as soon as it was seen: a log rotated again while an older one is
  // still being read is not lost.
  std::deque<std::FILE*> pending_;
  FileId newest_;  // the last file opened
  // What the name names that cannot be read, and why ("a FIFO",
  // "Permission denied"): told once while it stands.
  FileId skipped_;
  std::string skipped_kind_;
  // A file read from its start, not yet judged: its bytes are held until
  // they tell whether they begin with `reference_`.
  bool judging_ = false;
  bool judging_same_ = false;  // the file judged is the one read before
  // Of the file read before: its first bytes, its last bytes and where
  // they end (how much was read of it).
  std::string reference_;
  std::string reference_tail_;
  std::uint64_t reference_end_ = 0;
  std::string held_;
  std::size_t held_out_ = 0;
  LogBreak decided_ = LogBreak::kNone;  // for the next bytes handed out
  bool skip_nuls_ = false;              // a new file's leading hole
  LogBreak break_ = LogBreak::kNone;    // of the last Read
  bool told_nothing_ = false;           // kNothingYet said since the last bytes
  bool at_end_ = false;  // the end was reached since the last look inside
  bool following_ = false;
  std::function<bool()> stop_;
  std::optional<std::chrono::steady_clock::time_point> stop_seen_;
  std::atomic<bool> ended_{false};
  FileChangeWait wait_;
  std::function<void()> wait_for_tests_;
  std::mutex notices_mutex_;
  std::vector<std::string> notices_;
};

}  // namespace vexlane

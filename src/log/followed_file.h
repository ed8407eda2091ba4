// A log the IRC client is still writing, for follow mode: read like a
// FileSource until Follow is called; from then on a Read at the end of the
// file waits until the client writes more, and follows the log through
// its rotation.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>

#include "base/platform.h"
#include "log/byte_source.h"

namespace vexlane {

class FollowedFile : public ByteSource {
 public:
  explicit FollowedFile(std::string path) : path_(std::move(path)) {}
  ~FollowedFile() override { Close(); }
  FollowedFile(const FollowedFile&) = delete;
  FollowedFile& operator=(const FollowedFile&) = delete;

  bool Open(std::string* error) override;
  // Once following, waits at the end of the file until bytes arrive, and
  // returns 0 only when the wait was ended (EndWaiting, or `stop` given to
  // Follow says so) and every byte there is has been read. A rename or a
  // replacement of the log (logrotate's create) is read to its end and
  // then the new file of that name from its start; a file that became
  // shorter than what was read (copytruncate) is read again from its
  // start.
  std::ptrdiff_t Read(char* buffer, std::size_t size,
                      std::string* error) override;
  void Close() override;
  const std::string& Name() const override { return path_; }
  bool CaughtUp() const override { return caught_up_; }
  void EndWaiting() override;

  // From now on Read waits at the end, until `stop` returns true (it is
  // asked after each wake) or EndWaiting is called.
  void Follow(std::function<bool()> stop);
  // Empty when the system tells of changes; otherwise why it polls.
  const std::string& why_polling() const { return wait_.why_polling(); }

 private:
  // Opens the file the name names now when it is a new one, to be read
  // after those before it.
  void LookForNewFile();
  // Reads the file again from its start when it became shorter than what
  // was read; true when it did.
  bool Truncated();

  std::string path_;
  std::FILE* file_ = nullptr;
  std::uint64_t position_ = 0;  // bytes of file_ read
  // The files the name has named since file_, oldest first, each opened
  // as soon as it was seen: a log rotated again while an older one is
  // still being read is not lost.
  std::deque<std::FILE*> pending_;
  FileId newest_;  // the last file opened
  bool following_ = false;
  bool caught_up_ = false;
  std::function<bool()> stop_;
  std::atomic<bool> ended_{false};
  FileChangeWait wait_;
};

}  // namespace vexlane

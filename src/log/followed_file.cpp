#include "log/followed_file.h"

#include <cerrno>
#include <cstring>

namespace vexlane {

namespace {

std::FILE* OpenUnbuffered(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  // Reads go straight into the caller's block: no stale buffer after the
  // file has grown or shrunk.
  if (file != nullptr) std::setvbuf(file, nullptr, _IONBF, 0);
  return file;
}

}  // namespace

bool FollowedFile::Open(std::string* error) {
  Close();
  errno = 0;
  file_ = OpenUnbuffered(path_);
  if (file_ == nullptr) {
    *error = errno != 0 ? std::strerror(errno) : "cannot be opened";
    return false;
  }
  newest_ = IdOfStream(file_);
  position_ = 0;
  caught_up_ = false;
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
  following_ = true;
  ended_ = false;
  ResumeFileWaits();  // `stop` is asked before every wait
  wait_.Watch(path_);
}

void FollowedFile::EndWaiting() {
  ended_ = true;
  InterruptFileWaits();
}

void FollowedFile::LookForNewFile() {
  // While the name names nothing (between a rename and the new file) the
  // files already open are read on.
  const FileId named = IdOfPath(path_);
  if (!named.known || named == newest_) return;
  std::FILE* next = OpenUnbuffered(path_);
  if (next == nullptr) return;
  const FileId opened = IdOfStream(next);  // the name may have moved on
  if (opened == newest_) {
    std::fclose(next);
    return;
  }
  pending_.push_back(next);
  newest_ = opened;
  wait_.Watch(path_);  // the file waited on, once the others are read
}

bool FollowedFile::Truncated() {
  const std::int64_t size = SizeOfStream(file_);
  if (size < 0 || static_cast<std::uint64_t>(size) >= position_) return false;
  position_ = 0;
  return std::fseek(file_, 0, SEEK_SET) == 0;
}

std::ptrdiff_t FollowedFile::Read(char* buffer, std::size_t size,
                                  std::string* error) {
  if (file_ == nullptr) return 0;
  for (;;) {
    if (following_) LookForNewFile();  // a stat for each block read
    std::clearerr(file_);              // the end of the file is no longer final
    errno = 0;
    const std::size_t n = std::fread(buffer, 1, size, file_);
    if (n > 0) {
      position_ += n;
      const std::int64_t now = SizeOfStream(file_);
      caught_up_ = pending_.empty() &&
                   (n < size ||
                    (now >= 0 && static_cast<std::uint64_t>(now) <= position_));
      return static_cast<std::ptrdiff_t>(n);
    }
    if (std::ferror(file_) != 0) {
      *error = errno != 0 ? std::strerror(errno) : "read error";
      return -1;
    }
    if (following_ && !pending_.empty()) {
      // The old file has been read to its end: on with the next one.
      std::fclose(file_);
      file_ = pending_.front();
      pending_.pop_front();
      position_ = 0;
      continue;
    }
    caught_up_ = true;
    if (!following_) return 0;
    if (Truncated()) continue;
    if (ended_ || (stop_ && stop_())) return 0;
    wait_.Wait();
  }
}

}  // namespace vexlane

#include "log/byte_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/platform.h"

namespace vexlane {

bool FileSource::Open(std::string* error) {
  Close();
  errno = 0;
  file_ = std::fopen(path_.c_str(), "rb");
  if (file_ == nullptr) {
    *error = errno != 0 ? std::strerror(errno) : "cannot be opened";
    return false;
  }
  seekable_ = IsRegularFile(file_);
  return true;
}

bool FileSource::Rewind() {
  if (file_ == nullptr || !seekable_) return false;
  if (std::fseek(file_, 0, SEEK_SET) != 0) return false;
  std::clearerr(file_);
  return true;
}

std::ptrdiff_t FileSource::Read(char* buffer, std::size_t size,
                                std::string* error) {
  if (file_ == nullptr) return 0;
  errno = 0;
  const std::size_t n = std::fread(buffer, 1, size, file_);
  if (n == 0 && std::ferror(file_) != 0) {
    *error = errno != 0 ? std::strerror(errno) : "read error";
    return -1;
  }
  return static_cast<std::ptrdiff_t>(n);
}

void FileSource::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

bool StdinSource::Open(std::string* error) {
  if (closed_) {
    *error = "it is closed";
    return false;
  }
  if (opened_) {
    *error = "standard input cannot be read twice";
    return false;
  }
  opened_ = true;
  return true;
}

std::ptrdiff_t StdinSource::Read(char* buffer, std::size_t size,
                                 std::string* error) {
  errno = 0;
  const std::size_t n = std::fread(buffer, 1, size, stdin);
  if (n == 0 && std::ferror(stdin) != 0) {
    *error = errno != 0 ? std::strerror(errno) : "read error";
    return -1;
  }
  return static_cast<std::ptrdiff_t>(n);
}

ReplaySource::~ReplaySource() {
  if (copy_ != nullptr) std::fclose(copy_);
}

bool ReplaySource::Open(std::string* error) {
  head_out_ = 0;
  at_ = 0;
  if (!opened_) {
    if (!inner_->Open(error)) return false;
    opened_ = true;
    inner_rewinds_ = inner_->Rewind();
    return true;
  }
  if (!replaying_ && !direct_ && fetched_ == head_.size()) {
    return true;  // nothing was read past what Peek holds
  }
  if (inner_rewinds_) {
    direct_ = inner_->Rewind();
    if (!direct_) *error = "it cannot be read again from its start";
    return direct_;
  }
  if (copy_ == nullptr) {
    *error = "it cannot be read twice (a pipe or a device)";
    return false;
  }
  replaying_ = std::fseek(copy_, 0, SEEK_SET) == 0;
  if (!replaying_) *error = "its temporary copy cannot be read";
  return replaying_;
}

bool ReplaySource::Rewind() {
  std::string ignored;
  return opened_ && Open(&ignored);
}

bool ReplaySource::FromInner(char* buffer, std::size_t size, std::ptrdiff_t* n,
                             std::string* error) {
  *n = inner_->Read(buffer, size, error);
  if (*n <= 0) return *n == 0;
  fetched_ += static_cast<std::uint64_t>(*n);
  if (copy_ == nullptr) return true;
  errno = 0;
  // A replay that caught up reads on: what it reads joins the copy's end.
  if ((replaying_ && std::fseek(copy_, 0, SEEK_END) != 0) ||
      std::fwrite(buffer, 1, static_cast<std::size_t>(*n), copy_) !=
          static_cast<std::size_t>(*n)) {
    *error = std::string("cannot keep a temporary copy: ") +
             (errno != 0 ? std::strerror(errno) : "write error");
    *n = -1;
    return false;
  }
  return true;
}

std::string_view ReplaySource::Peek(std::size_t size, std::string* error) {
  constexpr std::size_t kStep = 1 << 16;
  while (head_.size() < size) {
    const std::size_t old = head_.size();
    head_.resize(std::min(size, old + kStep));
    std::ptrdiff_t n = 0;
    const bool ok =
        FromInner(head_.data() + old, head_.size() - old, &n, error);
    head_.resize(old + static_cast<std::size_t>(n > 0 ? n : 0));
    if (!ok) return {};
    if (n == 0) break;
  }
  return std::string_view(head_).substr(0, size);
}

bool ReplaySource::KeepCopy(std::string* error) {
  if (inner_rewinds_ || copy_ != nullptr) return true;
  errno = 0;
  copy_ = std::tmpfile();
  if (copy_ == nullptr ||
      (!head_.empty() &&
       std::fwrite(head_.data(), 1, head_.size(), copy_) != head_.size())) {
    *error = std::string("cannot make a temporary copy: ") +
             (errno != 0 ? std::strerror(errno) : "write error");
    return false;
  }
  return true;
}

std::ptrdiff_t ReplaySource::Read(char* buffer, std::size_t size,
                                  std::string* error) {
  from_inner_ = direct_;
  if (direct_) return inner_->Read(buffer, size, error);
  std::ptrdiff_t n = 0;
  if (replaying_ && at_ < fetched_) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(size, fetched_ - at_));
    n = static_cast<std::ptrdiff_t>(std::fread(buffer, 1, want, copy_));
    if (n == 0) {
      *error = "its temporary copy cannot be read";
      return -1;
    }
  } else if (!replaying_ && head_out_ < head_.size()) {
    n = static_cast<std::ptrdiff_t>(std::min(size, head_.size() - head_out_));
    std::memcpy(buffer, head_.data() + head_out_, static_cast<std::size_t>(n));
    head_out_ += static_cast<std::size_t>(n);
  } else {
    from_inner_ = true;
    FromInner(buffer, size, &n, error);
  }
  if (n > 0) at_ += static_cast<std::uint64_t>(n);
  return n;
}

std::ptrdiff_t MemorySource::Read(char* buffer, std::size_t size,
                                  std::string*) {
  const std::size_t n = std::min(size, bytes_.size() - at_);
  if (n > 0) std::memcpy(buffer, bytes_.data() + at_, n);
  at_ += n;
  return static_cast<std::ptrdiff_t>(n);
}

}  // namespace vexlane

#include "log/byte_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vexlane {

bool FileSource::Open(std::string* error) {
  Close();
  errno = 0;
  file_ = std::fopen(path_.c_str(), "rb");
  if (file_ == nullptr) {
    *error = errno != 0 ? std::strerror(errno) : "cannot be opened";
    return false;
  }
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
  if (opened_) {
    *error = "standard input cannot be read twice";
    return false;
  }
  opened_ = true;
  return true;
}

const std::string& StdinSource::Peek(std::size_t size) {
  peeked_.resize(size);
  const std::size_t n = std::fread(peeked_.data(), 1, size, stdin);
  peeked_.resize(n);
  return peeked_;
}

std::ptrdiff_t StdinSource::Read(char* buffer, std::size_t size,
                                 std::string* error) {
  if (peeked_out_ < peeked_.size()) {
    const std::size_t n = std::min(size, peeked_.size() - peeked_out_);
    std::memcpy(buffer, peeked_.data() + peeked_out_, n);
    peeked_out_ += n;
    return static_cast<std::ptrdiff_t>(n);
  }
  errno = 0;
  const std::size_t n = std::fread(buffer, 1, size, stdin);
  if (n == 0 && std::ferror(stdin) != 0) {
    *error = errno != 0 ? std::strerror(errno) : "read error";
    return -1;
  }
  return static_cast<std::ptrdiff_t>(n);
}

std::ptrdiff_t MemorySource::Read(char* buffer, std::size_t size,
                                  std::string*) {
  const std::size_t n = std::min(size, bytes_.size() - at_);
  if (n > 0) std::memcpy(buffer, bytes_.data() + at_, n);
  at_ += n;
  return static_cast<std::ptrdiff_t>(n);
}

}  // namespace vexlane

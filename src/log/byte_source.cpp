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

std::ptrdiff_t MemorySource::Read(char* buffer, std::size_t size,
                                  std::string*) {
  const std::size_t n = std::min(size, bytes_.size() - at_);
  if (n > 0) std::memcpy(buffer, bytes_.data() + at_, n);
  at_ += n;
  return static_cast<std::ptrdiff_t>(n);
}

}  // namespace vexlane

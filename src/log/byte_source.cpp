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

std::ptrdiff_t MemorySource::Read(char* buffer, std::size_t size,
                                  std::string*) {
  const std::size_t n = std::min(size, bytes_.size() - at_);
  if (n > 0) std::memcpy(buffer, bytes_.data() + at_, n);
  at_ += n;
  return static_cast<std::ptrdiff_t>(n);
}

bool ConcatSource::Open(std::string* error) {
  Close();
  current_ = 0;
  last_ = '\n';
  if (parts_.empty()) return true;
  open_ = parts_[0]->Open(error);
  return open_;
}

std::ptrdiff_t ConcatSource::Read(char* buffer, std::size_t size,
                                  std::string* error) {
  while (current_ < parts_.size()) {
    if (!open_) {
      if (!parts_[current_]->Open(error)) return -1;
      open_ = true;
    }
    const std::ptrdiff_t n = parts_[current_]->Read(buffer, size, error);
    if (n != 0) {
      if (n > 0) last_ = buffer[n - 1];
      return n;
    }
    parts_[current_]->Close();
    open_ = false;
    ++current_;
    if (last_ != '\n' && size > 0) {
      last_ = '\n';
      buffer[0] = '\n';
      return 1;
    }
  }
  return 0;
}

void ConcatSource::Close() {
  if (open_ && current_ < parts_.size()) parts_[current_]->Close();
  open_ = false;
}

const std::string& ConcatSource::Name() const {
  // Messages about a read name the part being read.
  if (current_ < parts_.size()) return parts_[current_]->Name();
  return name_;
}

}  // namespace vexlane

// A gzip-compressed log read as a stream through zlib: several members one
// after the other read as one, a truncated or corrupt file is an error.
#pragma once

#include <string>

#include "log/byte_source.h"

namespace vexlane {

// True when `path` ends in ".gz": such a log is read through GzipSource.
bool IsGzipName(const std::string& path);

class GzipSource : public ByteSource {
 public:
  explicit GzipSource(std::string path) : path_(std::move(path)) {}
  ~GzipSource() override { Close(); }
  GzipSource(const GzipSource&) = delete;
  GzipSource& operator=(const GzipSource&) = delete;

  bool Open(std::string* error) override;
  std::ptrdiff_t Read(char* buffer, std::size_t size,
                      std::string* error) override;
  void Close() override;
  bool Rewind() override;
  const std::string& Name() const override { return path_; }

 private:
  std::string path_;
  void* file_ = nullptr;   // a gzFile
  bool seekable_ = false;  // a regular file, not a pipe
  bool checked_ = false;   // the first read has shown it is gzip
};

}  // namespace vexlane

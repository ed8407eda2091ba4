#include "log/gzip_source.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef VEXLANE_HAVE_ZLIB
#include <zlib.h>
#endif

namespace vexlane {

bool IsGzipName(const std::string& path) {
  return path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0;
}

#ifdef VEXLANE_HAVE_ZLIB

namespace {

gzFile File(void* file) { return static_cast<gzFile>(file); }

}  // namespace

bool GzipSource::Open(std::string* error) {
  Close();
  errno = 0;
  gzFile file = gzopen(path_.c_str(), "rb");
  if (file == nullptr) {
    *error = errno != 0 ? std::strerror(errno) : "cannot be opened";
    return false;
  }
  gzbuffer(file, 1 << 17);
  file_ = file;
  checked_ = false;
  std::error_code ec;
  seekable_ = std::filesystem::is_regular_file(path_, ec);
  return true;
}

bool GzipSource::Rewind() {
  return file_ != nullptr && seekable_ && gzrewind(File(file_)) == 0;
}

std::ptrdiff_t GzipSource::Read(char* buffer, std::size_t size,
                                std::string* error) {
  if (file_ == nullptr) return 0;
  const unsigned want = size > INT_MAX ? INT_MAX : static_cast<unsigned>(size);
  errno = 0;
  const int n = gzread(File(file_), buffer, want);
  if (!checked_ && (n > 0 || n == 0) && gzdirect(File(file_)) != 0) {
    // zlib reads a file that is not gzip as it is; a ".gz" log must be gzip.
    *error = "not in gzip format";
    return -1;
  }
  checked_ = true;
  int code = Z_OK;
  const char* message = gzerror(File(file_), &code);
  if (n < 0 || (code != Z_OK && code != Z_STREAM_END)) {
    if (code == Z_ERRNO) {
      *error = errno != 0 ? std::strerror(errno) : "read error";
    } else if (code == Z_BUF_ERROR) {
      *error = "the compressed data ends too early (a truncated file)";
    } else {
      *error = std::string("corrupt gzip data (") + message + ")";
    }
    return -1;
  }
  return n;
}

void GzipSource::Close() {
  if (file_ != nullptr) gzclose(File(file_));
  file_ = nullptr;
}

#else  // a build without zlib refuses gzip logs

bool GzipSource::Open(std::string* error) {
  *error = "this build cannot read gzip files";
  return false;
}

std::ptrdiff_t GzipSource::Read(char*, std::size_t, std::string*) { return 0; }

void GzipSource::Close() {}

bool GzipSource::Rewind() { return false; }

#endif

}  // namespace vexlane

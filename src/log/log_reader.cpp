#include "log/log_reader.h"

#include <cstring>

namespace vexlane {

LogReader::LogReader(std::size_t block_size)
    : block_size_(block_size < 1 ? 1 : block_size),
      block_(new char[block_size_]) {}

LogReader::~LogReader() { Close(); }

void LogReader::Close() {
  if (source_ != nullptr) source_->Close();
  source_ = nullptr;
}

bool LogReader::Open(const std::string& path) {
  Close();
  owned_ = std::make_unique<FileSource>(path);
  return Open(owned_.get());
}

bool LogReader::Open(ByteSource* source) {
  Close();
  begin_ = end_ = 0;
  at_end_ = error_ = finished_ = carry_handed_out_ = false;
  carry_.clear();
  unterminated_ = {};
  error_text_.clear();
  if (!source->Open(&error_text_)) return false;
  source_ = source;
  // Read the first block now: a directory opens but fails here.
  if (!Fill() && error_) {
    Close();
    return false;
  }
  return true;
}

bool LogReader::Fill() {
  begin_ = end_ = 0;
  if (source_ == nullptr || at_end_) return false;
  const std::ptrdiff_t n =
      source_->Read(block_.get(), block_size_, &error_text_);
  if (n <= 0) {
    at_end_ = true;
    error_ = n < 0;
    return false;
  }
  end_ = static_cast<std::size_t>(n);
  return true;
}

bool LogReader::Next(std::string_view* line) {
  if (finished_) {
    *line = unterminated_;
    return false;
  }
  if (carry_handed_out_) {
    carry_.clear();
    carry_handed_out_ = false;
  }
  for (;;) {
    const char* start = block_.get() + begin_;
    const std::size_t available = end_ - begin_;
    const void* found =
        available != 0 ? std::memchr(start, '\n', available) : nullptr;
    if (found != nullptr) {
      const std::size_t length =
          static_cast<std::size_t>(static_cast<const char*>(found) - start);
      begin_ += length + 1;
      std::string_view text;
      if (carry_.empty()) {
        text = std::string_view(start, length);
      } else {
        carry_.append(start, length);
        carry_handed_out_ = true;
        text = carry_;
      }
      if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
      *line = text;
      return true;
    }
    carry_.append(start, available);
    if (!Fill()) break;
  }
  // End of the log: what is left is a last line without a line end. It
  // stays in carry_, so the view handed out now also serves the failed read.
  finished_ = true;
  unterminated_ = carry_;
  *line = unterminated_;
  return !carry_.empty();
}

}  // namespace vexlane

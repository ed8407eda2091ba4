// Reads a log line by line in large blocks from a byte source, handing out
// views so that the scan does no heap allocation per line.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "log/byte_source.h"

namespace vexlane {

class LogReader {
 public:
  explicit LogReader(std::size_t block_size = 1 << 16);
  ~LogReader();
  LogReader(const LogReader&) = delete;
  LogReader& operator=(const LogReader&) = delete;

  // Starts `*source` from its first byte (closing any source open before);
  // `*source` must outlive the reader's use of it. False when it cannot be
  // opened or its first read fails (a directory, for example); error()
  // then says why.
  bool Open(ByteSource* source);
  // The same for the file at `path`.
  bool Open(const std::string& path);
  void Close();

  // Why the last Open failed, or why reading stopped early (a read error
  // ends the log like its end does); empty when neither happened.
  const std::string& error() const { return error_text_; }

  // The next line without its "\n" or "\r\n"; a last line without a line
  // end counts. The view lives until the next call. At the end of the log
  // it returns false and sets `*line` to what a failed read leaves: the last
  // line when it had no line end, else empty.
  bool Next(std::string_view* line);

 private:
  bool Fill();

  std::size_t block_size_;
  std::unique_ptr<char[]> block_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool at_end_ = false;
  bool error_ = false;
  bool finished_ = false;          // the last line has been handed out
  bool carry_handed_out_ = false;  // the previous line was a view of carry_
  std::string carry_;  // a line that straddles blocks; capacity is reused
  std::string_view unterminated_;
  ByteSource* source_ = nullptr;
  std::unique_ptr<FileSource> owned_;  // the source of Open(path)
  std::string error_text_;
};

}  // namespace vexlane

// The one-line progress indicator of a long unattended run: how much of the
// log has been read, redrawn at most ten times a second on a terminal. The
// log is read on its own thread while the run's messages come from the
// main one, so both calls may come from either.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <mutex>

namespace vexlane {

class ProgressLine {
 public:
  // `total` is the size of the log in bytes, 0 when unknown.
  ProgressLine(std::ostream& out, std::uint64_t total);

  // `done` bytes of the current pass have been read.
  void Update(std::uint64_t done);

  // Removes the line, leaving the cursor at the start of an empty line.
  void Clear();

 private:
  std::mutex mutex_;  // guards all below and the writes to out_
  std::ostream& out_;
  std::uint64_t total_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_draw_;
  std::size_t drawn_width_ = 0;
};

}  // namespace vexlane

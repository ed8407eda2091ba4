#include "ui/progress.h"

#include <cstdio>
#include <ostream>
#include <string>

namespace vexlane {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

std::string MiB(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MiB",
                static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

}  // namespace

ProgressLine::ProgressLine(std::ostream& out, std::uint64_t total)
    : out_(out),
      total_(total),
      start_(std::chrono::steady_clock::now()),
      last_draw_(start_) {}

void ProgressLine::Update(std::uint64_t done) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto now = std::chrono::steady_clock::now();
  if (now - last_draw_ < kRedrawInterval) return;
  last_draw_ = now;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  std::string line = "reading the log: " + MiB(done);
  if (total_ > 0) {
    line += " of " + MiB(total_);
    line += " (" + std::to_string(done >= total_ ? 100 : done * 100 / total_) +
            "%)";
  }
  if (seconds > 0) {
    line +=
        ", " +
        MiB(static_cast<std::uint64_t>(static_cast<double>(done) / seconds)) +
        "/s";
  }
  std::string padded = line;
  if (padded.size() < drawn_width_)
    padded.append(drawn_width_ - line.size(), ' ');
  drawn_width_ = line.size();
  out_ << '\r' << padded << std::flush;
}

void ProgressLine::Clear() {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (drawn_width_ == 0) return;
  out_ << '\r' << std::string(drawn_width_, ' ') << '\r' << std::flush;
  drawn_width_ = 0;
}

}  // namespace vexlane

#include "log/line_feed.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>
#include <utility>

#include "base/platform.h"

namespace vexlane {

namespace {

constexpr std::size_t kChunks = 4;

}  // namespace

LineFeed::LineFeed(std::size_t block_size, bool may_use_thread)
    : block_size_(block_size < 1 ? 1 : block_size),
      may_use_thread_(may_use_thread) {}

LineFeed::~LineFeed() { Close(); }

void LineFeed::Close() {
  if (producer_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    free_changed_.notify_all();
    // The producer may be waiting for a followed log to grow.
    if (source_ != nullptr) source_->EndWaiting();
    producer_.join();
  }
  if (source_ != nullptr) source_->Close();
  source_ = nullptr;
  ready_.clear();
  current_.reset();
}

void LineFeed::Open(ByteSource* source, LineReader* reader, bool new_pass) {
  Close();
  reader_ = reader;
  if (new_pass) reader_->Reset();
  reader_->BeginFile(source->Name());
  std::string ignored;
  source_ = source->Open(&ignored) ? source : nullptr;
  carry_.clear();
  source_done_ = source_ == nullptr;
  first_chunk_ = true;
  file_reader_ = *reader_;
  file_carry_.clear();
  stop_ = false;
  finished_ = false;
  next_line_ = 0;
  free_.clear();
  for (std::size_t i = 0; i < kChunks; ++i) {
    free_.push_back(std::make_unique<Chunk>());
  }
  threaded_ = may_use_thread_ && ThreadsWanted();
  if (threaded_) {
    try {
      producer_ = ThreadWithoutSignals([this] { ProducerLoop(); });
    } catch (const std::system_error&) {
      threaded_ = false;  // no thread to be had: the work is done inline
    }
  }
}

void LineFeed::Bytes::Reserve(std::size_t wanted) {
  constexpr std::size_t kMaxGrowth = 16 << 20;
  if (wanted <= capacity) return;
  const std::size_t grown =
      std::max(wanted, capacity + std::min(capacity, kMaxGrowth));
  // realloc moves the pages of a large block rather than copying them.
  char* more = static_cast<char*>(std::realloc(data.get(), grown));
  if (more == nullptr) throw std::bad_alloc();
  static_cast<void>(data.release());
  data.reset(more);
  capacity = grown;
}

void LineFeed::Bytes::Release() {
  data.reset();
  size = capacity = 0;
}

void LineFeed::Produce(Chunk* chunk) {
  Bytes& buffer = chunk->bytes;
  buffer.size = 0;
  buffer.Reserve(carry_.size() + block_size_);
  if (!carry_.empty())
    std::memcpy(buffer.data.get(), carry_.data(), carry_.size());
  buffer.size = carry_.size();
  carry_.clear();
  chunk->lines.clear();
  chunk->last = false;
  chunk->unterminated = false;
  chunk->caught_up = false;
  chunk->read_again = false;
  chunk->new_file = std::exchange(first_chunk_, false);
  // Read until the chunk holds a line end, or the source ends.
  std::size_t end = std::string::npos;
  std::size_t searched = 0;
  std::string error;
  while (!source_done_) {
    // Read straight into the chunk, after what it holds.
    buffer.Reserve(buffer.size + block_size_);
    const std::ptrdiff_t n =
        source_->Read(buffer.data.get() + buffer.size, block_size_, &error);
    if (n == ByteSource::kNothingYet) {
      // A followed log holds nothing more for now: the lines before have
      // all been handed out. An empty chunk tells so; a half line waits
      // for its end.
      carry_.assign(buffer.data.get(), buffer.size);
      buffer.size = 0;
      chunk->caught_up = true;
      return;
    }
    if (n <= 0) {
      source_done_ = true;  // a read error ends the log like its end
      break;
    }
    if (const LogBreak brk = source_->BreakBefore(); brk != LogBreak::kNone) {
      TakeBreak(brk, buffer.size, static_cast<std::size_t>(n), chunk);
      searched = 0;
    }
    buffer.size += static_cast<std::size_t>(n);
    const void* found =
        std::memchr(buffer.data.get() + searched, '\n', buffer.size - searched);
    searched = buffer.size;
    if (found != nullptr) {
      end = buffer.view().rfind('\n');
      break;
    }
  }
  if (end != std::string::npos && end + 1 < buffer.size) {
    carry_.assign(buffer.data.get() + end + 1, buffer.size - end - 1);
    buffer.size = end + 1;
  }
  char* const data = buffer.data.get();
  const std::size_t size = buffer.size;
  std::size_t at = 0;
  while (at < size) {
    const void* found = std::memchr(data + at, '\n', size - at);
    const std::size_t length =
        found == nullptr ? size - at
                         : static_cast<std::size_t>(
                               static_cast<const char*>(found) - (data + at));
    const bool terminated = found != nullptr;
    std::size_t text_length = length;
    if (terminated && text_length > 0 && data[at + text_length - 1] == '\r') {
      --text_length;
    }
    Line& line = chunk->lines.emplace_back();
    line.begin = at;
    reader_->Read(data + at, text_length, &line.fields);
    line.anchors = AnchorsOf(std::string_view(data + at, line.fields.length));
    line.plain_run = 0;
    line.run_speaker_begin = 0;
    line.run_speaker_length = 0;
    if (!terminated) chunk->unterminated = true;
    at += length + (terminated ? 1 : 0);
  }
  chunk->last = source_done_ && carry_.empty();
  MarkPlainRuns(chunk);
}

void LineFeed::MarkPlainRuns(Chunk* chunk) {
  // The runs of plain lines, from the back. The last line of the last
  // chunk never joins a run: the end of the log examines it once more.
  std::vector<Line>& lines = chunk->lines;
  const std::size_t runs_end =
      chunk->last && !lines.empty() ? lines.size() - 1 : lines.size();
  for (std::size_t i = runs_end; i-- > 0;) {
    Line& l = lines[i];
    if (l.anchors.dot || l.anchors.by) continue;
    const bool follows = i + 1 < runs_end && lines[i + 1].plain_run > 0;
    l.plain_run = 1 + (follows ? lines[i + 1].plain_run : 0);
    if (l.fields.speaker_length > 0) {
      // The last speaker of the run is the first from the back.
      if (follows && lines[i + 1].run_speaker_length > 0) {
        l.run_speaker_begin = lines[i + 1].run_speaker_begin;
        l.run_speaker_length = lines[i + 1].run_speaker_length;
      } else {
        l.run_speaker_begin = l.begin + l.fields.speaker_begin;
        l.run_speaker_length = l.fields.speaker_length;
      }
    } else if (follows) {
      l.run_speaker_begin = lines[i + 1].run_speaker_begin;
      l.run_speaker_length = lines[i + 1].run_speaker_length;
    }
  }
}

void LineFeed::TakeBreak(LogBreak brk, std::size_t at, std::size_t n,
                         Chunk* chunk) {
  Bytes& buffer = chunk->bytes;
  if (brk == LogBreak::kNewFile) {
    // What the buffer holds before is a line the old file left unfinished
    // (no line end was read since the last chunk). It goes on in the new
    // file (a copytruncate between two writes of one line), unless the
    // new file begins with a whole line of its own: then it ended there.
    if (at > 0 && BeginsALine(buffer.data.get() + at, n)) {
      buffer.Reserve(at + 1 + n);
      std::memmove(buffer.data.get() + at + 1, buffer.data.get() + at, n);
      buffer.data.get()[at++] = '\n';
      buffer.size = at;
    }
    file_reader_ = *reader_;
    file_carry_.assign(buffer.data.get(), at);
    chunk->new_file = true;
    return;
  }
  // The file begun last, again from its start: every line of it handed
  // out before is void, and so is what this chunk holds of it.
  *reader_ = file_reader_;
  const std::size_t carry = file_carry_.size();
  buffer.Reserve(carry + n);
  std::memmove(buffer.data.get() + carry, buffer.data.get() + at, n);
  if (carry > 0) std::memcpy(buffer.data.get(), file_carry_.data(), carry);
  buffer.size = carry;
  // Begun in this very chunk, the file's checkpoint is this chunk's start.
  if (!chunk->new_file) chunk->read_again = true;
}

bool LineFeed::BeginsALine(const char* bytes, std::size_t n) const {
  // The first line alone (a time stamp, a speaker, a client's own line),
  // read by a copy of the reader: the log's own reading is unchanged.
  constexpr std::size_t kEnough = 4096;
  const void* end = std::memchr(bytes, '\n', std::min(n, kEnough));
  std::string line(bytes, end == nullptr
                              ? std::min(n, kEnough)
                              : static_cast<std::size_t>(
                                    static_cast<const char*>(end) - bytes));
  LineReader probe = *reader_;
  LineFields fields;
  probe.Read(line.data(), line.size(), &fields);
  return fields.client || fields.stamp.has_clock || fields.speaker_length > 0;
}

void LineFeed::ProducerLoop() {
  for (;;) {
    std::unique_ptr<Chunk> chunk;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      free_changed_.wait(lock, [this] { return stop_ || !free_.empty(); });
      if (stop_) return;
      chunk = std::move(free_.back());
      free_.pop_back();
    }
    try {
      Produce(chunk.get());
    } catch (const std::bad_alloc&) {
      // Handed to the scan's thread, which ends the run as it would have.
      chunk->lines.clear();
      chunk->last = true;
      chunk->out_of_memory = true;
    }
    const bool last = chunk->last;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ready_.push_back(std::move(chunk));
    }
    ready_changed_.notify_one();
    if (last) return;
  }
}

std::unique_ptr<LineFeed::Chunk> LineFeed::TakeReady() {
  if (!threaded_) {
    std::unique_ptr<Chunk> chunk = std::move(free_.back());
    free_.pop_back();
    Produce(chunk.get());
    return chunk;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  ready_changed_.wait(lock, [this] { return !ready_.empty(); });
  std::unique_ptr<Chunk> chunk = std::move(ready_.front());
  ready_.pop_front();
  if (chunk->out_of_memory) throw std::bad_alloc();
  return chunk;
}

bool LineFeed::SkipPlainRun(std::size_t* count,
                            std::string_view* last_speaker) {
  if (!current_ || next_line_ >= current_->lines.size()) return false;
  const Line& l = current_->lines[next_line_];
  if (l.plain_run == 0) return false;
  *count = l.plain_run;
  *last_speaker =
      current_->bytes.view().substr(l.run_speaker_begin, l.run_speaker_length);
  next_line_ += l.plain_run;
  return true;
}

LogLine LineFeed::LineAt(const Line& line) const {
  return LineOf(current_->bytes.view().substr(line.begin, line.fields.length),
                line.fields, line.anchors);
}

bool LineFeed::Next(LogLine* line) {
  for (;;) {
    if (current_ && next_line_ < current_->lines.size()) {
      *line = LineAt(current_->lines[next_line_++]);
      return true;
    }
    if (finished_ || (current_ && current_->last)) {
      // The end: what a failed read leaves is the unterminated last line.
      finished_ = true;
      *line = LogLine{};
      if (current_ && current_->unterminated && !current_->lines.empty()) {
        *line = LineAt(current_->lines.back());
      }
      line->anchors = AnchorsOf(line->text);
      return false;
    }
    if (current_) {
      if (current_->caught_up && on_caught_up_) on_caught_up_();
      // A chunk that grew for a very long line gives its memory back.
      if (current_->bytes.capacity > 4 * (block_size_ + (1 << 20))) {
        current_->bytes.Release();
      }
      // Hand the chunk back for reuse.
      if (threaded_) {
        {
          std::lock_guard<std::mutex> lock(mutex_);
          free_.push_back(std::move(current_));
        }
        free_changed_.notify_one();
      } else {
        free_.push_back(std::move(current_));
      }
    }
    current_ = TakeReady();
    next_line_ = 0;
    if (on_break_) {
      if (current_->read_again) on_break_(LogBreak::kReadAgain);
      if (current_->new_file) on_break_(LogBreak::kNewFile);
    }
  }
}

}  // namespace vexlane

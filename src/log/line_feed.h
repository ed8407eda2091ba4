// The one block reader of logs: splits the bytes of a source into lines
// (a "\n" or "\r\n" ends one; a last line without it counts) and reads
// each with the log's LineReader, ahead of the scan: on a second thread
// where the platform has threads and the machine more than one core, so
// that the scan only decides. The lines come out strictly in order.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "log/byte_source.h"
#include "log/log_line.h"

namespace vexlane {

class LineFeed {
 public:
  // Reads `block_size` bytes at a time (small sizes are for tests); with
  // `may_use_thread` clear it never starts a thread.
  explicit LineFeed(std::size_t block_size = 1 << 20,
                    bool may_use_thread = true);
  ~LineFeed();
  LineFeed(const LineFeed&) = delete;
  LineFeed& operator=(const LineFeed&) = delete;

  // Starts `*source` from its first byte (closing what was open), its
  // lines read by `*reader` (after reader->BeginFile with the source's
  // name, and Reset first when `new_pass`). Both must outlive the feed's
  // use of them. A source that cannot be opened gives no lines.
  void Open(ByteSource* source, LineReader* reader, bool new_pass = true);
  void Close();

  // The next line (valid until the next call). At the end it returns false
  // and `*line` is the last line when it had no line end, else empty.
  bool Next(LogLine* line);

  // Hands out, at once, the run of lines from here that hold neither a
  // '.' nor "by" (the lines that outside a battle, with no announcement
  // pending, only update who spoke last): their number and the last
  // speaker among them (empty when none spoke). False, with nothing
  // handed out, when the next line is not such a line.
  bool SkipPlainRun(std::size_t* count, std::string_view* last_speaker);

  // True when the next call of Next may end the views it handed out.
  bool LastOfChunk() const {
    return current_ != nullptr && next_line_ >= current_->lines.size();
  }
  // Called by Next, on its thread, when every whole line of a followed
  // log has been handed out and it is about to wait for the client to
  // write more.
  void OnCaughtUp(std::function<void()> hook) {
    on_caught_up_ = std::move(hook);
  }
  // Called by Next, on its thread, before the next line when the lines
  // from there on begin a file (kNewFile: every source's first line, and
  // each new file of a followed log), or begin again the file begun last
  // (kReadAgain: the lines of that file handed out before are void; a
  // kNewFile may follow at once). The reader's state is back to what it
  // was at that file's start.
  void OnBreak(std::function<void(LogBreak)> hook) {
    on_break_ = std::move(hook);
  }

 private:
  // Offsets into a chunk: a line may be longer than 4 GiB.
  struct Line {
    std::size_t begin;
    LineFields fields;  // offsets from `begin`
    Anchors anchors;
    // From this line on: how many plain lines (no '.', no "by") follow in
    // the chunk, this one included, and the last speaker among them.
    std::uint32_t plain_run;
    std::size_t run_speaker_begin;  // from the chunk's start
    std::size_t run_speaker_length;
  };
  LogLine LineAt(const Line& line) const;
  // A growable byte buffer that, unlike std::string, does not clear what
  // it grows into: reads fill it at once. It grows in place (realloc) by
  // at most kMaxGrowth at a time, so that a very long line costs its own
  // size and little more, never twice or three times it.
  struct Bytes {
    struct Free {
      void operator()(char* p) const { std::free(p); }
    };
    std::unique_ptr<char, Free> data;
    std::size_t size = 0;
    std::size_t capacity = 0;
    void Reserve(std::size_t wanted);
    void Release();
    std::string_view view() const { return {data.get(), size}; }
  };
  struct Chunk {
    Bytes bytes;  // whole lines only
    std::vector<Line> lines;
    bool last = false;           // no chunk follows
    bool unterminated = false;   // its last line had no line end
    bool out_of_memory = false;  // the producer ran out: rethrown here
    bool caught_up = false;      // the source held nothing more (followed)
    bool read_again = false;     // its lines begin the last file again
    bool new_file = false;       // its lines (then) begin a file
  };

  // Fills `*chunk` with the next whole lines; the producer's side.
  void Produce(Chunk* chunk);
  // Sets each line's plain_run and run speaker (see Line).
  static void MarkPlainRuns(Chunk* chunk);
  // Takes the break before the bytes just read into `*chunk`'s buffer at
  // `at` (`n` of them); the buffer's size then ends before them.
  void TakeBreak(LogBreak brk, std::size_t at, std::size_t n, Chunk* chunk);
  // Whether the first line of `bytes` reads as a whole line of the log.
  bool BeginsALine(const char* bytes, std::size_t n) const;
  void ProducerLoop();
  std::unique_ptr<Chunk> TakeReady();

  std::size_t block_size_;
  bool may_use_thread_;
  ByteSource* source_ = nullptr;
  LineReader* reader_ = nullptr;
  bool threaded_ = false;
  // The producer's state.
  std::string carry_;  // the start of a line that continues in the next read
  bool source_done_ = false;
  bool first_chunk_ = false;  // the next chunk is the source's first
  // At the start of the file begun last: the reader's state and the start
  // of a line that continued into the file.
  LineReader file_reader_{LogFormat::kClassic};
  std::string file_carry_;
  // Shared between the threads.
  std::mutex mutex_;
  std::condition_variable ready_changed_;
  std::condition_variable free_changed_;
  std::deque<std::unique_ptr<Chunk>> ready_;
  std::vector<std::unique_ptr<Chunk>> free_;
  bool stop_ = false;
  std::thread producer_;
  // The consumer's state.
  std::unique_ptr<Chunk> current_;
  std::size_t next_line_ = 0;
  bool finished_ = false;
  std::function<void()> on_caught_up_;
  std::function<void(LogBreak)> on_break_;
};

}  // namespace vexlane

// Where the bytes of a log come from: a file, standard input or a buffer in
// memory. A log is opened once (ReplaySource): each level-by-level pass
// starts again from its first byte without opening it again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace vexlane {

// Where the bytes of a Read stand in a followed log (FollowedFile), whose
// name may come to name another file.
enum class LogBreak {
  kNone,       // they go on from the bytes before
  kNewFile,    // they begin a new file of the log (a rotation)
  kReadAgain,  // they begin again the file read since the last kNewFile
               // (changed in place or cut): they replace what it gave
};

class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // (Re)starts at the first byte. False when the source cannot be read;
  // `*error` then says why ("No such file or directory").
  virtual bool Open(std::string* error) = 0;

  // Up to `size` bytes into `buffer`: the count read, 0 at the end, -1 on a
  // read error (`*error` says why), or kNothingYet.
  virtual std::ptrdiff_t Read(char* buffer, std::size_t size,
                              std::string* error) = 0;
  // What a followed log's Read returns once, before it waits for the
  // client to write more: every byte written so far has been handed out.
  static constexpr std::ptrdiff_t kNothingYet = -2;

  virtual void Close() = 0;

  // Goes back to the first byte of what Open opened, without opening it
  // again. False when the source cannot (a pipe, a terminal).
  virtual bool Rewind() { return false; }

  // How messages name the log.
  virtual const std::string& Name() const = 0;

  // A followed log: where the bytes of the last Read stand.
  virtual LogBreak BreakBefore() const { return LogBreak::kNone; }
  // Makes a waiting Read, and every later one, return what the log holds
  // and then its end. Safe from another thread than the reader's.
  virtual void EndWaiting() {}
};

// A file opened by path. A directory opens but fails its first read. A
// regular file can be rewound; a FIFO or a device cannot.
class FileSource : public ByteSource {
 public:
  explicit FileSource(std::string path) : path_(std::move(path)) {}
  ~FileSource() override { Close(); }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  bool Open(std::string* error) override;
  std::ptrdiff_t Read(char* buffer, std::size_t size,
                      std::string* error) override;
  void Close() override;
  bool Rewind() override;
  const std::string& Name() const override { return path_; }

 private:
  std::string path_;
  std::FILE* file_ = nullptr;
  bool seekable_ = false;
};

// Standard input, read once: a second Open fails. `closed` tells that the
// program found it closed (and put the null device in its place).
class StdinSource : public ByteSource {
 public:
  explicit StdinSource(bool closed = false) : closed_(closed) {}

  bool Open(std::string* error) override;
  std::ptrdiff_t Read(char* buffer, std::size_t size,
                      std::string* error) override;
  void Close() override {}
  const std::string& Name() const override { return name_; }

 private:
  std::string name_ = "standard input";
  bool closed_;
  bool opened_ = false;
};

// A log opened once, read as often as asked. The first Open opens `inner`;
// every later Open starts again from the first byte without opening it
// again: `inner` is rewound where it can be, and otherwise (a pipe, a FIFO,
// standard input) replayed from an unnamed temporary copy of what was read,
// made when KeepCopy was asked before. `*inner` must outlive this source;
// Close does not close it (the destructor of `inner` does).
class ReplaySource : public ByteSource {
 public:
  explicit ReplaySource(ByteSource* inner) : inner_(inner) {}
  ~ReplaySource() override;
  ReplaySource(const ReplaySource&) = delete;
  ReplaySource& operator=(const ReplaySource&) = delete;

  bool Open(std::string* error) override;
  std::ptrdiff_t Read(char* buffer, std::size_t size,
                      std::string* error) override;
  void Close() override {}
  bool Rewind() override;
  const std::string& Name() const override { return inner_->Name(); }
  LogBreak BreakBefore() const override {
    return from_inner_ ? inner_->BreakBefore() : LogBreak::kNone;
  }
  void EndWaiting() override { inner_->EndWaiting(); }

  // The first `size` bytes (fewer when the log is shorter), read ahead
  // after the first Open; Read still hands them out first. An empty view
  // with `*error` set when the first read fails (a directory).
  std::string_view Peek(std::size_t size, std::string* error);

  // Makes later passes possible where `inner` cannot be rewound, by
  // copying what is read into an unnamed temporary file. Call it after the
  // first Open (and any Peek), before the first Read. False (`*error`
  // says why) when no temporary file can be made.
  bool KeepCopy(std::string* error);

  // True when `inner` itself goes back to its start.
  bool CanRewind() const { return inner_rewinds_; }

 private:
  bool FromInner(char* buffer, std::size_t size, std::ptrdiff_t* n,
                 std::string* error);

  ByteSource* inner_;
  bool opened_ = false;
  bool inner_rewinds_ = false;
  std::string head_;          // what Peek read ahead
  std::size_t head_out_ = 0;  // of head_, handed out in this pass
  std::FILE* copy_ = nullptr;
  std::uint64_t fetched_ = 0;  // bytes read from inner_ so far
  std::uint64_t at_ = 0;       // bytes handed out in this pass (replays)
  bool replaying_ = false;     // a later pass of an inner that cannot rewind
  bool direct_ = false;        // a later pass of an inner that can
  bool from_inner_ = false;    // the last Read's bytes came from inner_
};

// Bytes held by the caller, who keeps them alive while the source is used.
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes, std::string name = "memory")
      : bytes_(bytes), name_(std::move(name)) {}

  bool Open(std::string*) override {
    at_ = 0;
    return true;
  }
  std::ptrdiff_t Read(char* buffer, std::size_t size, std::string*) override;
  void Close() override {}
  const std::string& Name() const override { return name_; }

 private:
  std::string_view bytes_;
  std::string name_;
  std::size_t at_ = 0;
};

}  // namespace vexlane

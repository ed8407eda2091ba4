// Where the bytes of a log come from: a file or a buffer in memory, read
// from the start as often as the level-by-level mode needs.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace vexlane {

class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // (Re)starts at the first byte. False when the source cannot be read;
  // `*error` then says why ("No such file or directory").
  virtual bool Open(std::string* error) = 0;

  // Up to `size` bytes into `buffer`: the count read, 0 at the end, -1 on a
  // read error (`*error` says why).
  virtual std::ptrdiff_t Read(char* buffer, std::size_t size,
                              std::string* error) = 0;

  virtual void Close() = 0;

  // How messages name the log.
  virtual const std::string& Name() const = 0;
};

// A file opened by path. A directory opens but fails its first read.
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
  const std::string& Name() const override { return path_; }

 private:
  std::string path_;
  std::FILE* file_ = nullptr;
};

// Standard input, read once: a second Open fails (a pipe cannot be
// rewound), so it serves the automatic mode only.
class StdinSource : public ByteSource {
 public:
  // Reads the first `size` bytes (fewer at the end of the input) ahead, so
  // that they can be looked at before the log is read; Read still hands
  // them out first.
  const std::string& Peek(std::size_t size);

  bool Open(std::string* error) override;
  std::ptrdiff_t Read(char* buffer, std::size_t size,
                      std::string* error) override;
  void Close() override {}
  const std::string& Name() const override { return name_; }

 private:
  std::string name_ = "standard input";
  bool opened_ = false;
  std::string peeked_;
  std::size_t peeked_out_ = 0;  // bytes of peeked_ already handed out
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

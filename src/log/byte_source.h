// Where the bytes of a log come from: a file or a buffer in memory, read
// from the start as often as the level-by-level mode needs.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

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
  bool Open(std::string* error) override;
  std::ptrdiff_t Read(char* buffer, std::size_t size,
                      std::string* error) override;
  void Close() override {}
  const std::string& Name() const override { return name_; }

 private:
  std::string name_ = "standard input";
  bool opened_ = false;
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

// Several sources read one after the other as one log. A source whose last
// byte is not a line end gets one, so that no line runs on into the next
// source. The sources must outlive this one.
class ConcatSource : public ByteSource {
 public:
  explicit ConcatSource(std::vector<ByteSource*> parts, std::string name)
      : parts_(std::move(parts)), name_(std::move(name)) {}

  bool Open(std::string* error) override;
  std::ptrdiff_t Read(char* buffer, std::size_t size,
                      std::string* error) override;
  void Close() override;
  const std::string& Name() const override;

 private:
  std::vector<ByteSource*> parts_;
  std::string name_;
  std::size_t current_ = 0;
  bool open_ = false;
  char last_ = '\n';  // the last byte handed out
};

}  // namespace vexlane

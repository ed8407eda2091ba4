// A file system for tests: the real one, each call first handed to a
// function of the test's, which may fail it or act in the middle.
#pragma once

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "publish/file_system.h"

namespace vexlane::testing {

// The real file system, each call first handed to `before` (which may
// fail it with an errno, or do something of somebody else's first) and
// the site's directory `site` (where given) looked at after it.
class WatchedFileSystem : public FileSystem {
 public:
  explicit WatchedFileSystem(std::string site = "") : site_(std::move(site)) {}

  // Called with the call's name and first path; a non-zero return fails
  // the call with that errno.
  std::function<int(const std::string&, const std::string&)> before;
  bool site_went_missing = false;

  EntryKind KindOf(const std::string& path) override {
    return real().KindOf(path);
  }
  int List(const std::string& dir, std::vector<DirEntry>* entries) override {
    return Call("List", dir, [&] { return real().List(dir, entries); });
  }
  int Read(const std::string& path, std::size_t limit,
           std::string* bytes) override {
    return Call("Read", path, [&] { return real().Read(path, limit, bytes); });
  }
  int WriteNew(const std::string& path, std::string_view bytes) override {
    return Call("WriteNew", path, [&] { return real().WriteNew(path, bytes); });
  }
  int MakeDirectory(const std::string& path) override {
    return Call("MakeDirectory", path,
                [&] { return real().MakeDirectory(path); });
  }
  int MakeTempDirectoryBeside(const std::string& dir,
                              std::string* temp) override {
    return Call("MakeTemp", dir,
                [&] { return real().MakeTempDirectoryBeside(dir, temp); });
  }
  int Link(const std::string& from, const std::string& to) override {
    return Call("Link", from, [&] { return real().Link(from, to); });
  }
  int Rename(const std::string& from, const std::string& to,
             bool replace) override {
    return Call("Rename", from,
                [&] { return real().Rename(from, to, replace); });
  }
  int Exchange(const std::string& a, const std::string& b) override {
    return Call("Exchange", a, [&] { return real().Exchange(a, b); });
  }
  int Remove(const std::string& path) override {
    return Call("Remove", path, [&] { return real().Remove(path); });
  }
  void CopyAttributes(const std::string& from, const std::string& to) override {
    real().CopyAttributes(from, to);
  }
  FileStamp Stamp(const std::string& path) override {
    return real().Stamp(path);
  }
  bool SameFile(const std::string& a, const std::string& b) override {
    return real().SameFile(a, b);
  }
  void Sync(const std::string&) override {}
  std::FILE* CreateTempFileBeside(const std::string& path,
                                  std::string* temp) override {
    return real().CreateTempFileBeside(path, temp);
  }
  int SyncFile(std::FILE* file) override {
    return Call("SyncFile", "", [&] { return real().SyncFile(file); });
  }
  bool Readable(const std::string& path) override {
    return Call("Readable", path,
                [&] { return real().Readable(path) ? 0 : ENOENT; }) == 0;
  }
  void SyncDirectoryOf(const std::string&) override {}

 private:
  static FileSystem& real() { return TheFileSystem(); }

  int Call(const std::string& name, const std::string& path,
           const std::function<int()>& call) {
    const bool had_site =
        !site_.empty() && real().KindOf(site_) == EntryKind::kDirectory;
    int error = before ? before(name, path) : 0;
    if (error == 0) error = call();
    if (had_site && real().KindOf(site_) != EntryKind::kDirectory) {
      site_went_missing = true;
    }
    return error;
  }

  std::string site_;
};

}  // namespace vexlane::testing

// The few file-system calls that publishing a report or a site makes,
// behind an interface so that tests can make any of them fail, or do
// something in the middle (a file that appears, an exchange that fails).
// Every call takes paths as given and never follows a symbolic link at
// the end of one; each returns 0 or the errno of its failure.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "base/platform.h"

namespace vexlane {

enum class EntryKind { kNone, kFile, kDirectory, kLink, kOther };

struct DirEntry {
  std::string name;
  EntryKind kind = EntryKind::kNone;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // What `path` is; kNone where nothing is (or it cannot be told).
  virtual EntryKind KindOf(const std::string& path) = 0;
  // The entries of the directory `dir`, but "." and "..".
  virtual int List(const std::string& dir, std::vector<DirEntry>* entries) = 0;
  // The bytes of the regular file `path`, when it holds at most `limit`
  // of them (EFBIG otherwise).
  virtual int Read(const std::string& path, std::size_t limit,
                   std::string* bytes) = 0;
  // Makes a new file, `path` not existing yet, holding `bytes`.
  virtual int WriteNew(const std::string& path, std::string_view bytes) = 0;
  virtual int MakeDirectory(const std::string& path) = 0;
  // Makes an empty hidden directory beside `dir`, named in `*temp`.
  virtual int MakeTempDirectoryBeside(const std::string& dir,
                                      std::string* temp) = 0;
  // A second name `to` for the file (or link) `from`.
  virtual int Link(const std::string& from, const std::string& to) = 0;
  // Makes a new hidden file beside `path` and opens it for writing, named
  // in `*temp`; null, errno set, where it cannot.
  virtual std::FILE* CreateTempFileBeside(const std::string& path,
                                          std::string* temp) = 0;
  // Puts what was written to `file` on the disk; 0 or the errno.
  virtual int SyncFile(std::FILE* file) = 0;
  // Whether the file `path` can be opened for reading.
  virtual bool Readable(const std::string& path) = 0;
  // Renames `from` to `to`, which may exist only where `replace` is set
  // (and is then a regular file, replaced in one step).
  virtual int Rename(const std::string& from, const std::string& to,
                     bool replace) = 0;
  // Swaps the names of two directories in one step; ENOSYS or EINVAL where
  // the system cannot.
  virtual int Exchange(const std::string& a, const std::string& b) = 0;
  // Removes a file, a link or an empty directory.
  virtual int Remove(const std::string& path) = 0;
  // Gives the directory `to` the mode, and where the process may the
  // owner, of the directory `from`. Best effort.
  virtual void CopyAttributes(const std::string& from,
                              const std::string& to) = 0;
  // Which regular file `path` is, its size and when it was written.
  virtual FileStamp Stamp(const std::string& path) = 0;
  // Whether `a` and `b` are one file (two names of it).
  virtual bool SameFile(const std::string& a, const std::string& b) = 0;
  // Puts what was written under `dir` on the disk, then the directory
  // holding `dir` (for its new name). Best effort.
  virtual void Sync(const std::string& dir) = 0;
  // Puts the directory holding `path` on the disk (for a new name in it).
  // Best effort.
  virtual void SyncDirectoryOf(const std::string& path) = 0;
};

// The real file system.
FileSystem& TheFileSystem();

}  // namespace vexlane

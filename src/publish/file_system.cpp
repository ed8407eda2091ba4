#include "publish/file_system.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "base/platform.h"

namespace vexlane {

namespace {

namespace fs = std::filesystem;

int ErrnoOr(int fallback) { return errno != 0 ? errno : fallback; }

int CodeOf(const std::error_code& ec) {
  if (!ec) return 0;
  return ec.category() == std::generic_category() ||
                 ec.category() == std::system_category()
             ? ec.value()
             : EIO;
}

EntryKind KindOfStatus(const fs::file_status& status) {
  if (fs::is_symlink(status)) return EntryKind::kLink;
  if (fs::is_regular_file(status)) return EntryKind::kFile;
  if (fs::is_directory(status)) return EntryKind::kDirectory;
  if (fs::exists(status)) return EntryKind::kOther;
  return EntryKind::kNone;
}

// What the directory listing said an entry is, without looking again where
// it said (a symbolic link is never followed).
EntryKind KindOfEntry(const fs::directory_entry& entry) {
  std::error_code ec;
  if (entry.is_symlink(ec)) return EntryKind::kLink;
  if (ec) return EntryKind::kNone;
  if (entry.is_regular_file(ec)) return EntryKind::kFile;
  if (entry.is_directory(ec)) return EntryKind::kDirectory;
  return ec ? EntryKind::kNone : EntryKind::kOther;
}

class RealFileSystem : public FileSystem {
 public:
  EntryKind KindOf(const std::string& path) override {
    std::error_code ec;
    return KindOfStatus(fs::symlink_status(path, ec));
  }

  int List(const std::string& dir, std::vector<DirEntry>* entries) override {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end;
         it.increment(ec)) {
      entries->push_back({it->path().filename().string(), KindOfEntry(*it)});
    }
    return CodeOf(ec);
  }

  int Read(const std::string& path, std::size_t limit,
           std::string* bytes) override {
    if (KindOf(path) != EntryKind::kFile) return EINVAL;
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return ErrnoOr(EIO);
    bytes->clear();
    char buffer[65536];
    std::size_t n = 0;
    int error = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
      if (bytes->size() + n > limit) {
        error = EFBIG;
        break;
      }
      bytes->append(buffer, n);
    }
    if (error == 0 && std::ferror(file)) error = EIO;
    std::fclose(file);
    return error;
  }

  int WriteNew(const std::string& path, std::string_view bytes) override {
    errno = 0;
    std::FILE* file = CreateNewFile(path);
    if (file == nullptr) return ErrnoOr(EEXIST);
    bool ok = bytes.empty() ||
              std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int write_error = errno;
    if (std::fclose(file) != 0) ok = false;
    if (ok) return 0;
    std::remove(path.c_str());
    return write_error != 0 ? write_error : ErrnoOr(EIO);
  }

  int MakeDirectory(const std::string& path) override {
    std::error_code ec;
    if (fs::create_directory(path, ec)) return 0;
    return ec ? CodeOf(ec) : EEXIST;
  }

  int MakeTempDirectoryBeside(const std::string& dir,
                              std::string* temp) override {
    errno = 0;
    return CreateTempDirectoryBeside(dir, temp) ? 0 : ErrnoOr(EIO);
  }

  int Link(const std::string& from, const std::string& to) override {
    std::error_code ec;
    fs::create_hard_link(from, to, ec);
    return CodeOf(ec);
  }

  std::FILE* CreateTempFileBeside(const std::string& path,
                                  std::string* temp) override {
    return vexlane::CreateTempFileBeside(path, temp);
  }

  int SyncFile(std::FILE* file) override {
    errno = 0;
    return vexlane::SyncFile(file) ? 0 : ErrnoOr(EIO);
  }

  bool Readable(const std::string& path) override {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
  }

  int Rename(const std::string& from, const std::string& to,
             bool replace) override {
    errno = 0;
    if (replace) return ReplaceExistingFile(from, to) ? 0 : ErrnoOr(EIO);
    if (KindOf(from) == EntryKind::kDirectory) {
      return RenameDirectoryWithoutReplacing(from, to) ? 0 : ErrnoOr(EIO);
    }
    return PublishWithoutReplacing(from, to) ? 0 : ErrnoOr(EIO);
  }

  int Exchange(const std::string& a, const std::string& b) override {
    errno = 0;
    return ExchangeNames(a, b) ? 0 : ErrnoOr(ENOSYS);
  }

  int Remove(const std::string& path) override {
    std::error_code ec;
    fs::remove(path, ec);
    return CodeOf(ec);
  }

  void CopyAttributes(const std::string& from, const std::string& to) override {
    CopyDirectoryAttributes(from, to);
  }

  FileStamp Stamp(const std::string& path) override {
    return StampOfEntry(path);
  }

  bool SameFile(const std::string& a, const std::string& b) override {
    return IdOfEntry(a) == IdOfEntry(b);
  }

  void Sync(const std::string& dir) override {
    SyncFilesUnder(dir);
    vexlane::SyncDirectoryOf(dir);
  }

  void SyncDirectoryOf(const std::string& path) override {
    vexlane::SyncDirectoryOf(path);
  }
};

}  // namespace

FileSystem& TheFileSystem() {
  static RealFileSystem real;
  return real;
}

}  // namespace vexlane

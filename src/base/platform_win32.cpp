#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/platform.h"

namespace vexlane {

int PrepareStandardStreams() { return 0; }

bool StdinIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

void WaitForKeyPress() { _getch(); }

std::FILE* CreateNewFile(const std::string& path) {
  const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                       _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) _close(fd);
  return file;
}

std::FILE* CreateTempFileBeside(const std::string& path,
                                std::string* temp_path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::string dir =
      slash == std::string::npos ? "" : path.substr(0, slash + 1);
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::string name = dir + ".vexlane-tmp-" +
                             std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(GetTickCount() + attempt);
    std::FILE* file = CreateNewFile(name);
    if (file != nullptr) {
      *temp_path = name;
      return file;
    }
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

bool IsRegularFile(std::FILE* file) {
  struct _stat64 st {};
  return _fstat64(_fileno(file), &st) == 0 &&
         (st.st_mode & _S_IFMT) == _S_IFREG;
}

std::int64_t SizeOfStream(std::FILE* file) {
  struct _stat64 st {};
  return _fstat64(_fileno(file), &st) == 0
             ? static_cast<std::int64_t>(st.st_size)
             : -1;
}

std::FILE* OpenRegularFile(const std::string& path, std::string* why,
                           bool* not_regular, bool follow_links) {
  *not_regular = false;
  // A symbolic link or junction is a reparse point; best effort, as
  // Windows offers no open that refuses one.
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (!follow_links && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    *why = "a symbolic link";
    *not_regular = true;
    return nullptr;
  }
  struct _stat64 st {};
  if (_stat64(path.c_str(), &st) != 0) {
    *why = std::strerror(errno);
    return nullptr;
  }
  if ((st.st_mode & _S_IFMT) != _S_IFREG) {
    *why = (st.st_mode & _S_IFMT) == _S_IFDIR ? "a directory"
                                              : "not a regular file";
    *not_regular = true;
    return nullptr;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *why = std::strerror(errno);
    return nullptr;
  }
  std::setvbuf(file, nullptr, _IONBF, 0);
  return file;
}

bool SeekStream(std::FILE* file, std::uint64_t offset) {
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

namespace {

FileId IdOfHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  FileId id;
  if (handle == INVALID_HANDLE_VALUE ||
      !GetFileInformationByHandle(handle, &info)) {
    return id;
  }
  id.known = true;
  id.device = info.dwVolumeSerialNumber;
  id.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) |
             info.nFileIndexLow;
  return id;
}

}  // namespace

FileId IdOfPath(const std::string& path) {
  HANDLE handle = CreateFileA(
      path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const FileId id = IdOfHandle(handle);
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  return id;
}

void CopyDirectoryAttributes(const std::string&, const std::string&) {}

FileId IdOfEntry(const std::string& path) {
  HANDLE handle = CreateFileA(
      path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  const FileId id = IdOfHandle(handle);
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  return id;
}

FileStamp StampOfEntry(const std::string& path) {
  FileStamp stamp;
  HANDLE handle = CreateFileA(
      path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return stamp;
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileInformationByHandle(handle, &info) &&
      (info.dwFileAttributes &
       (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0) {
    stamp.known = true;
    stamp.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) |
                  info.nFileIndexLow;
    stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                 info.nFileSizeLow;
    stamp.modified =
        (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime)
         << 32) |
        info.ftLastWriteTime.dwLowDateTime;
  }
  CloseHandle(handle);
  return stamp;
}

FileId IdOfStream(std::FILE* file) {
  return IdOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))));
}

void CopyAttributes(const std::string&, std::FILE*) {}

bool ReplaceExistingFile(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  errno = EACCES;
  return false;
}

bool PublishWithoutReplacing(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  errno = GetLastError() == ERROR_ALREADY_EXISTS ||
                  GetLastError() == ERROR_FILE_EXISTS
              ? EEXIST
              : EACCES;
  return false;
}

bool CreateTempDirectoryBeside(const std::string& path,
                               std::string* temp_path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::string dir =
      slash == std::string::npos ? "" : path.substr(0, slash + 1);
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::string name = dir + ".vexlane-site-" +
                             std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(GetTickCount() + attempt);
    if (CreateDirectoryA(name.c_str(), nullptr)) {
      *temp_path = name;
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      errno = EACCES;
      return false;
    }
  }
  errno = EEXIST;
  return false;
}

bool RenameDirectoryWithoutReplacing(const std::string& from,
                                     const std::string& to) {
  // MoveFileEx without MOVEFILE_REPLACE_EXISTING never replaces anything.
  if (MoveFileExA(from.c_str(), to.c_str(), 0)) return true;
  errno = GetLastError() == ERROR_ALREADY_EXISTS ||
                  GetLastError() == ERROR_FILE_EXISTS
              ? EEXIST
              : EACCES;
  return false;
}

bool ExchangeNames(const std::string&, const std::string&) {
  errno = ENOSYS;
  return false;
}

void SyncFilesUnder(const std::string&) {}

bool SyncFile(std::FILE* file) {
  return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

bool ThreadsWanted() { return false; }

std::thread ThreadWithoutSignals(std::function<void()> body) {
  return std::thread(std::move(body));
}

void StartWriteBack(std::FILE* file) { std::fflush(file); }

void SyncDirectoryOf(const std::string&) {}

namespace {

char temporary_file[4096];
volatile std::sig_atomic_t has_temporary_file = 0;
volatile std::sig_atomic_t work_done = 0;

extern "C" void RemoveAndExit(int signal_number) {
  if (has_temporary_file) _unlink(temporary_file);
  _exit(work_done ? 0 : 128 + signal_number);
}

}  // namespace

void RemoveTemporaryFileOnSignals() {
  std::signal(SIGINT, RemoveAndExit);
  std::signal(SIGTERM, RemoveAndExit);
}

void SignalsEndSuccessfully() { work_done = 1; }

void HoldSignals(bool) {}

void SetTemporaryFile(const char* path) {
  has_temporary_file = 0;
  if (path == nullptr) return;
  const std::size_t n = std::strlen(path);
  if (n >= sizeof temporary_file) return;
  std::memcpy(temporary_file, path, n + 1);
  has_temporary_file = 1;
}

namespace {

std::atomic<bool> waits_interrupted{false};
std::atomic<int> follow_signals{0};

extern "C" void NoteFollowSignal(int signal_number) {
  follow_signals |= kStopAsked;
  waits_interrupted = true;
  std::signal(signal_number, NoteFollowSignal);
}

}  // namespace

// Windows polls: a wait is a second, in steps that notice an interruption.
FileChangeWait::FileChangeWait()
    : why_polling_("this program does not watch files on Windows") {}

FileChangeWait::~FileChangeWait() = default;

void FileChangeWait::Watch(const std::string&) {}

void FileChangeWait::Wait() {
  for (int step = 0; step < 10 && !waits_interrupted; ++step) Sleep(100);
}

void InterruptFileWaits() { waits_interrupted = true; }

void ResumeFileWaits() { waits_interrupted = false; }

void CatchFollowSignals() {
  std::signal(SIGINT, NoteFollowSignal);
  std::signal(SIGTERM, NoteFollowSignal);
}

int FollowSignalsCaught() { return follow_signals.load(); }

void ForgetReload() { follow_signals &= ~kReloadAsked; }

void ForgetStop() { follow_signals &= ~kStopAsked; }

bool StopSignalWaiting() { return (follow_signals.load() & kStopAsked) != 0; }

// Windows keeps a directory from being renamed while it is open, which
// would stop the site's swap: no lock there.
DirectoryLock::~DirectoryLock() = default;

DirectoryLock::Outcome DirectoryLock::TryTake(const std::string&) {
  return Outcome::kUnavailable;
}

}  // namespace vexlane

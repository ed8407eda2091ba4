#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/inotify.h>
#include <sys/vfs.h>
#endif

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "base/platform.h"

namespace vexlane {

int PrepareStandardStreams() {
  int closed = 0;
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      closed |= 1 << fd;
      // open() takes the lowest free descriptor: this one.
      if (open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd) std::_Exit(2);
    }
  }
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  return closed;
}

bool StdinIsTerminal() { return isatty(STDIN_FILENO) != 0; }

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

namespace {

struct termios saved_settings;
volatile std::sig_atomic_t settings_saved = 0;

extern "C" void RestoreAndReraise(int signal_number) {
  if (settings_saved) tcsetattr(STDIN_FILENO, TCSANOW, &saved_settings);
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

}  // namespace

void WaitForKeyPress() {
  if (tcgetattr(STDIN_FILENO, &saved_settings) != 0) return;
  settings_saved = 1;
  struct termios raw = saved_settings;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
  void (*previous[4])(int);
  for (int i = 0; i < 4; ++i)
    previous[i] = std::signal(kSignals[i], RestoreAndReraise);
  if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) {
    char key;
    while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
    }
    tcsetattr(STDIN_FILENO, TCSANOW, &saved_settings);
  }
  settings_saved = 0;
  for (int i = 0; i < 4; ++i) std::signal(kSignals[i], previous[i]);
}

std::FILE* CreateNewFile(const std::string& path) {
  // O_EXCL refuses any existing name, a dangling link included.
  const int fd =
      open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) close(fd);
  return file;
}

std::FILE* CreateTempFileBeside(const std::string& path,
                                std::string* temp_path) {
  const std::size_t slash = path.rfind('/');
  const std::string dir =
      slash == std::string::npos ? "" : path.substr(0, slash + 1);
  // A short hidden name with a random tail: never a BattleNN name, and
  // within the name limit whatever the length of the final name.
  std::string name = dir + ".vexlane-tmp-XXXXXX";
  const int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return nullptr;
  // mkostemp makes the file private; a report gets the usual permissions.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) {
    const int saved = errno;
    close(fd);
    unlink(name.c_str());
    errno = saved;
    return nullptr;
  }
  *temp_path = name;
  return file;
}

bool IsRegularFile(std::FILE* file) {
  struct stat st {};
  return fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode);
}

std::int64_t SizeOfStream(std::FILE* file) {
  struct stat st {};
  return fstat(fileno(file), &st) == 0 ? static_cast<std::int64_t>(st.st_size)
                                       : -1;
}

namespace {

// What a name that is not a regular file names, for messages.
const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a regular file";
}

}  // namespace

std::FILE* OpenRegularFile(const std::string& path, std::string* why,
                           bool* not_regular, bool follow_links) {
  *not_regular = false;
  struct stat st {};
  if ((follow_links ? stat(path.c_str(), &st) : lstat(path.c_str(), &st)) !=
      0) {
    *why = std::strerror(errno);
    return nullptr;
  }
  if (!S_ISREG(st.st_mode)) {
    *why = KindOf(st.st_mode);
    *not_regular = true;
    return nullptr;
  }
  // The name may name a FIFO by the time it is opened: O_NONBLOCK keeps
  // the open from waiting for a writer, and the file is looked at again.
  const int fd =
      open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC |
                             (follow_links ? 0 : O_NOFOLLOW));
  if (fd < 0) {
    // A link put in its place since the look.
    const bool link = !follow_links && errno == ELOOP;
    *why = link ? "a symbolic link" : std::strerror(errno);
    *not_regular = link;
    return nullptr;
  }
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *why = KindOf(st.st_mode);
    *not_regular = true;
    close(fd);
    return nullptr;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* file = fdopen(fd, "rb");
  if (file == nullptr) {
    *why = std::strerror(errno);
    close(fd);
    return nullptr;
  }
  // Reads go straight into the caller's block: no stale buffer after the
  // file has grown or shrunk.
  std::setvbuf(file, nullptr, _IONBF, 0);
  return file;
}

bool SeekStream(std::FILE* file, std::uint64_t offset) {
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

namespace {

FileId IdOf(const struct stat& st) {
  FileId id;
  id.known = true;
  id.device = static_cast<std::uint64_t>(st.st_dev);
  id.inode = static_cast<std::uint64_t>(st.st_ino);
  return id;
}

}  // namespace

FileId IdOfPath(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? IdOf(st) : FileId{};
}

void CopyDirectoryAttributes(const std::string& from, const std::string& to) {
  struct stat st {};
  if (lstat(from.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
  // The owner first: chown clears the set-ID bits that chmod then sets.
  if (lchown(to.c_str(), st.st_uid, st.st_gid) != 0) {
    // Not permitted (not root): the run's own owner stays.
  }
  chmod(to.c_str(), st.st_mode & 07777);
}

FileId IdOfEntry(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 ? IdOf(st) : FileId{};
}

FileStamp StampOfEntry(const std::string& path) {
  struct stat st {};
  FileStamp stamp;
  if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return stamp;
  stamp.known = true;
  stamp.inode = static_cast<std::uint64_t>(st.st_ino);
  stamp.size = static_cast<std::uint64_t>(st.st_size);
  stamp.modified = static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 1000000000u +
                   static_cast<std::uint64_t>(st.st_mtim.tv_nsec);
  stamp.changed = static_cast<std::uint64_t>(st.st_ctim.tv_sec) * 1000000000u +
                  static_cast<std::uint64_t>(st.st_ctim.tv_nsec);
  return stamp;
}

FileId IdOfStream(std::FILE* file) {
  struct stat st {};
  return fstat(fileno(file), &st) == 0 ? IdOf(st) : FileId{};
}

void CopyAttributes(const std::string& path, std::FILE* file) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return;
  const int fd = fileno(file);
  if (fchown(fd, st.st_uid, st.st_gid) != 0) {
    [[maybe_unused]] const int ignored =
        fchown(fd, static_cast<uid_t>(-1), st.st_gid);
  }
  fchmod(fd, st.st_mode & 0777);  // never the set-id bits on a new file
}

bool ReplaceExistingFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool PublishWithoutReplacing(const std::string& from, const std::string& to) {
  // A hard link fails with EEXIST when the name is taken, whatever it is.
  if (link(from.c_str(), to.c_str()) == 0) {
    unlink(from.c_str());
    return true;
  }
  if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) return false;
#ifdef RENAME_NOREPLACE
  // File systems without hard links.
  return renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                   RENAME_NOREPLACE) == 0;
#else
  return false;
#endif
}

bool CreateTempDirectoryBeside(const std::string& path,
                               std::string* temp_path) {
  const std::size_t slash = path.rfind('/');
  std::string name =
      (slash == std::string::npos ? "" : path.substr(0, slash + 1)) +
      ".vexlane-site-XXXXXX";
  if (mkdtemp(name.data()) == nullptr) return false;
  // mkdtemp makes the directory private; a site gets the usual permissions.
  const mode_t mask = umask(0);
  umask(mask);
  chmod(name.c_str(), 0777 & ~mask);
  *temp_path = name;
  return true;
}

bool RenameDirectoryWithoutReplacing(const std::string& from,
                                     const std::string& to) {
#ifdef RENAME_NOREPLACE
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != ENOSYS && errno != EINVAL) return false;
#endif
  // rename() would replace an empty directory of that name.
  struct stat st {};
  if (lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return rename(from.c_str(), to.c_str()) == 0;
}

bool ExchangeNames(const std::string& a, const std::string& b) {
#ifdef RENAME_EXCHANGE
  return renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) ==
         0;
#else
  (void)a;
  (void)b;
  errno = ENOSYS;
  return false;
#endif
}

void SyncFilesUnder(const std::string& path) {
#ifdef __linux__
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  syncfs(fd);
  close(fd);
#else
  (void)path;
  sync();
#endif
}

bool SyncFile(std::FILE* file) {
  return std::fflush(file) == 0 && fsync(fileno(file)) == 0;
}

bool ThreadsWanted() { return std::thread::hardware_concurrency() > 1; }

std::thread ThreadWithoutSignals(std::function<void()> body) {
  // A new thread starts with its creator's signal mask.
  sigset_t ending;
  sigemptyset(&ending);
  sigaddset(&ending, SIGINT);
  sigaddset(&ending, SIGTERM);
  sigaddset(&ending, SIGHUP);
  sigset_t before;
  pthread_sigmask(SIG_BLOCK, &ending, &before);
  struct Restore {
    const sigset_t* mask;
    ~Restore() { pthread_sigmask(SIG_SETMASK, mask, nullptr); }
  } restore{&before};
  return std::thread(std::move(body));
}

void StartWriteBack(std::FILE* file) {
  if (std::fflush(file) != 0) return;
#ifdef __linux__
  sync_file_range(fileno(file), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

void SyncDirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos
                              ? "."
                              : (slash == 0 ? "/" : path.substr(0, slash));
  const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

namespace {

char temporary_file[4096];
volatile std::sig_atomic_t has_temporary_file = 0;
volatile std::sig_atomic_t work_done = 0;

extern "C" void RemoveAndExit(int signal_number) {
  if (has_temporary_file) unlink(temporary_file);
  _exit(work_done ? 0 : 128 + signal_number);
}

}  // namespace

void RemoveTemporaryFileOnSignals() {
  struct sigaction action {};
  action.sa_handler = RemoveAndExit;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

void SignalsEndSuccessfully() { work_done = 1; }

void HoldSignals(bool hold) {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  sigprocmask(hold ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

void SetTemporaryFile(const char* path) {
  has_temporary_file = 0;
  if (path == nullptr) return;
  const std::size_t n = std::strlen(path);
  if (n >= sizeof temporary_file) return;
  std::memcpy(temporary_file, path, n + 1);
  has_temporary_file = 1;
}

DirectoryLock::~DirectoryLock() {
  if (fd_ >= 0) close(fd_);
}

DirectoryLock::Outcome DirectoryLock::TryTake(const std::string& dir) {
  if (fd_ < 0) {
    fd_ = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) return Outcome::kUnavailable;
  }
  if (flock(fd_, LOCK_EX | LOCK_NB) == 0) return Outcome::kTaken;
  if (errno == EWOULDBLOCK || errno == EINTR) return Outcome::kBusy;
  close(fd_);
  fd_ = -1;
  return Outcome::kUnavailable;
}

}  // namespace vexlane

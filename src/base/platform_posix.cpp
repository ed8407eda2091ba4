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
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a regular file";
}

}  // namespace

std::FILE* OpenRegularFile(const std::string& path, std::string* why,
                           bool* not_regular) {
  *not_regular = false;
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
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
      open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    *why = std::strerror(errno);
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

FileId IdOfEntry(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 ? IdOf(st) : FileId{};
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

namespace {

// The interruption of the file waits: a pipe that holds a byte while they
// are interrupted, so that poll() sees it whether the interruption came
// before the wait or during it.
struct WakePipe {
  int read_end = -1;
  int write_end = -1;
  WakePipe() {
    int ends[2];
    if (pipe(ends) != 0) return;
    for (int end : ends) {
      fcntl(end, F_SETFL, fcntl(end, F_GETFL) | O_NONBLOCK);
      fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    read_end = ends[0];
    write_end = ends[1];
  }
};

// Made before the first signal handler or wait can use it.
WakePipe& Wake() {
  static WakePipe pipe;
  return pipe;
}
std::atomic<int> wake_write_end{-1};
std::atomic<int> follow_signals{0};
static_assert(std::atomic<int>::is_always_lock_free);

void PrepareWake() { wake_write_end = Wake().write_end; }

extern "C" void NoteFollowSignal(int signal_number) {
  const int saved = errno;
  follow_signals |= signal_number == SIGHUP ? kReloadAsked : kStopAsked;
  InterruptFileWaits();
  errno = saved;
}

#ifdef __linux__
// File systems whose changes made by other machines inotify does not see.
const char* RemoteFileSystem(long type) {
  switch (static_cast<unsigned long>(type)) {
    case 0x6969:
      return "NFS";
    case 0x517B:
    case 0xFE534D42:
    case 0xFF534D42:
      return "SMB";
    case 0x65735546:
      return "FUSE";
    case 0x01021997:
      return "9P";
    case 0x00C36400:
      return "Ceph";
    case 0x5346414F:
      return "AFS";
    default:
      return nullptr;
  }
}
#endif

}  // namespace

FileChangeWait::FileChangeWait() {
  PrepareWake();
#ifdef __linux__
  fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) {
    why_polling_ =
        std::string("inotify is not available: ") + std::strerror(errno);
  }
#else
  why_polling_ = "the system has no inotify";
#endif
}

FileChangeWait::~FileChangeWait() {
  if (fd_ >= 0) close(fd_);
}

void FileChangeWait::Watch(const std::string& path) {
#ifdef __linux__
  if (fd_ < 0) return;
  const auto split = [](const std::string& p, std::string* name) {
    const std::size_t slash = p.rfind('/');
    *name = slash == std::string::npos ? p : p.substr(slash + 1);
    return slash == std::string::npos ? std::string(".")
                                      : (slash == 0 ? "/" : p.substr(0, slash));
  };
  const std::string dir = split(path, &name_);
  constexpr std::uint32_t kNames =
      IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;
  if (file_watch_ >= 0) inotify_rm_watch(fd_, file_watch_);
  file_watch_ = inotify_add_watch(
      fd_, path.c_str(), IN_MODIFY | IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF);
  // The directory the name is in now (it may have been renamed and made
  // again since the last watch).
  const int directory = inotify_add_watch(fd_, dir.c_str(), kNames);
  if (directory_watch_ >= 0 && directory_watch_ != directory) {
    inotify_rm_watch(fd_, directory_watch_);
  }
  directory_watch_ = directory;
  // A symbolic link: the file it leads to is rotated in its own
  // directory, under its own name.
  int target = -1;
  target_name_.clear();
  if (char* real = realpath(path.c_str(), nullptr); real != nullptr) {
    const std::string resolved(real);
    std::free(real);
    std::string name;
    const std::string target_dir = split(resolved, &name);
    target = inotify_add_watch(fd_, target_dir.c_str(), kNames);
    if (target >= 0) target_name_ = name;
  }
  if (target_watch_ >= 0 && target_watch_ != target &&
      target_watch_ != directory_watch_) {
    inotify_rm_watch(fd_, target_watch_);
  }
  target_watch_ = target;
  struct statfs fs {};
  const char* remote =
      statfs(path.c_str(), &fs) == 0 ? RemoteFileSystem(fs.f_type) : nullptr;
  if (remote != nullptr) {
    why_polling_ = std::string(
                       "inotify does not see the changes other "
                       "machines make on ") +
                   remote;
  } else if (file_watch_ < 0 || directory_watch_ < 0) {
    why_polling_ =
        std::string("inotify cannot watch it: ") + std::strerror(errno);
  } else {
    why_polling_.clear();
  }
#else
  static_cast<void>(path);
#endif
}

void FileChangeWait::Wait() {
  const bool told = why_polling_.empty() && fd_ >= 0;
  // A second at most, however busy the directory is with other files.
  const auto until =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    struct pollfd fds[2] = {{Wake().read_end, POLLIN, 0}, {fd_, POLLIN, 0}};
    const int ready =
        poll(fds, told ? 2 : 1, static_cast<int>(left.count()) + 1);
    if (ready <= 0 || (fds[0].revents & POLLIN) != 0) return;  // or EINTR
#ifdef __linux__
    // Only the events of the followed file end the wait; the directory
    // may hold other channels' logs, written all the time.
    alignas(struct inotify_event) char events[4096];
    bool ours = false;
    ssize_t n;
    while ((n = read(fd_, events, sizeof events)) > 0) {
      for (ssize_t at = 0; at < n;) {
        const auto* e =
            reinterpret_cast<const struct inotify_event*>(events + at);
        const bool named =
            e->len > 0 && ((e->wd == directory_watch_ && name_ == e->name) ||
                           (e->wd == target_watch_ && target_name_ == e->name));
        ours = ours || named || e->wd == file_watch_ ||
               (e->mask & IN_Q_OVERFLOW) != 0;
        at += static_cast<ssize_t>(sizeof(struct inotify_event) + e->len);
      }
    }
    if (ours) return;
#else
    return;
#endif
  }
}

void InterruptFileWaits() {
  const int end = wake_write_end.load();
  if (end < 0) return;
  const char byte = 1;
  [[maybe_unused]] const ssize_t ignored = write(end, &byte, 1);
}

void ResumeFileWaits() {
  char bytes[64];
  while (read(Wake().read_end, bytes, sizeof bytes) > 0) {
  }
}

void CatchFollowSignals() {
  PrepareWake();
  struct sigaction action {};
  action.sa_handler = NoteFollowSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

int FollowSignalsCaught() { return follow_signals.load(); }

void ForgetReload() { follow_signals &= ~kReloadAsked; }

bool StopSignalWaiting() {
  if ((follow_signals.load() & kStopAsked) != 0) return true;
  sigset_t pending;
  sigemptyset(&pending);
  if (sigpending(&pending) != 0) return false;
  return sigismember(&pending, SIGINT) == 1 ||
         sigismember(&pending, SIGTERM) == 1 ||
         sigismember(&pending, SIGHUP) == 1;
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

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

bool SyncFile(std::FILE* file) {
  return std::fflush(file) == 0 && fsync(fileno(file)) == 0;
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

}  // namespace vexlane

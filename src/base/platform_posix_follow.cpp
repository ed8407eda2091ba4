// The POSIX side of follow mode: waiting for a followed log to change
// (inotify on Linux, a poll elsewhere) and the signals that stop or reload
// a follow run.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/inotify.h>
#include <sys/vfs.h>
#endif

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <string>
#include <thread>

#include "base/platform.h"

namespace vexlane {

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

void ForgetStop() { follow_signals &= ~kStopAsked; }

bool StopSignalWaiting() {
  if ((follow_signals.load() & kStopAsked) != 0) return true;
  sigset_t pending;
  sigemptyset(&pending);
  if (sigpending(&pending) != 0) return false;
  return sigismember(&pending, SIGINT) == 1 ||
         sigismember(&pending, SIGTERM) == 1 ||
         sigismember(&pending, SIGHUP) == 1;
}

}  // namespace vexlane

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

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
  const std::string base =
      slash == std::string::npos ? path : path.substr(slash + 1);
  // A hidden name with a random tail: never a BattleNN name.
  std::string name = dir + "." + base + ".vexlane-tmp-XXXXXX";
  const int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return nullptr;
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

bool ReplaceExistingFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace vexlane

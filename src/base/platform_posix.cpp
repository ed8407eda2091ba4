#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "base/platform.h"

namespace vexlane {

void PrepareStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      // open() takes the lowest free descriptor: this one.
      if (open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd) std::_Exit(2);
    }
  }
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

bool StdinIsTerminal() { return isatty(STDIN_FILENO) != 0; }

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

}  // namespace vexlane

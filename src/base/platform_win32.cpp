#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "base/platform.h"

namespace vexlane {

void PrepareStandardStreams() {}

bool StdinIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

void WaitForKeyPress() { _getch(); }

std::FILE* CreateNewFile(const std::string& path) {
  const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                       _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) _close(fd);
  return file;
}

}  // namespace vexlane

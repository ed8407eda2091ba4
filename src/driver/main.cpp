// vexlane-stats: battle statistics from an IRC #battle channel log.
#include <csignal>
#include <iostream>

#include "driver/platform.h"
#include "driver/run.h"

int main() {
#ifdef SIGXFSZ
  // A file size limit must fail the write (and be reported), not kill us
  // with a partial report left behind.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  std::ios::sync_with_stdio(false);
  vexlane::Console console{std::cin, std::cout, vexlane::StdinIsTerminal()};
  return vexlane::RunProgram(console);
}

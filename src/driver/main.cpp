// vexlane-stats: battle statistics from an IRC #battle channel log.
#include <csignal>
#include <iostream>

#include "driver/platform.h"
#include "driver/run.h"

int main() {
  vexlane::PrepareStandardStreams();
  std::ios::sync_with_stdio(false);
  vexlane::Console console{std::cin, std::cout, vexlane::StdinIsTerminal()};
  return vexlane::RunProgram(console);
}
